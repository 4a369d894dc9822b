#pragma once
// A folder of its own for each test, removed afterwards even where the test left read-only
// files and folders in it.

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class TempDir {
public:
    // Throws when the folder cannot be made, rather than working in the current folder.
    explicit TempDir(const std::string& prefix = "vrnx2-test") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(tmpl.data()))
            throw std::system_error(errno, std::generic_category(), "cannot make " + tmpl);
        path_ = tmpl;
    }
    ~TempDir() {
        Clear();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Empties the folder and keeps it: the permissions taken away below it are given back
    // first, so read-only entries go too. Links are removed, never followed.
    void Clear() const {
        namespace fs = std::filesystem;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (!it->is_symlink())
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        for (const auto& e : fs::directory_iterator(path_, ec)) fs::remove_all(e.path(), ec);
    }
    // Writes `bytes` to `name` below the folder, making its folders; returns the path.
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        const auto p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::string Read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path path_;
};
