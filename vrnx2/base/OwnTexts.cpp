#include "vrnx2/base/OwnTexts.h"

#include <iterator>

#include "vrnx2/base/MessageTable.h"

namespace vrnx2 {

namespace {

struct Pair {
    const char* en;
    const char* ja;
};

// In the order of OwnText.
constexpr Pair kTexts[] = {
    {"A plugin folder set aside by an earlier build was found:\r\n%s\r\nand %s "
     "holds other files as well. Neither is changed. Move the plugins you want "
     "to keep into %s and remove %s.",
     "以前のビルドで退避されたプラグインフォルダが見つかりました:\r\n%s\r\n%s "
     "には他のファイルもあるため、どちらも変更しません。残すプラグインを %s "
     "に移してから %s を削除して下さい。"},
    {"A plugin folder set aside by an earlier build was found:\r\n%s\r\nPut it "
     "back as %s?",
     "以前のビルドで退避されたプラグインフォルダが見つかりました:\r\n%s\r\n%s "
     "として元に戻しますか？"},
    {" The staged folders move to %s.", " 組み込み用のフォルダは %s に移します。"},
    {" The staged folders, links to its files, are removed.",
     " 組み込み用のフォルダ（そのファイルへのリンク）は削除します。"},
    {"Cannot delete %s", "%s を削除できません。"},
    {"Cannot rename %s to %s", "%s の名前を %s に変更できません。"},
    {"Cannot write the enable state of these plugin files:",
     "次のプラグインファイルに有効/無効を書き込めません:"},
    {"Cannot stage these plugin files:",
     "次のプラグインファイルを組み込み順序どおりに配置できません:"},
    {"(%s more)", "(ほか %s 件)"},
    {"%s is not a CD image (ISO 9660). Choose the image file or the folder that holds the "
     "Windows source.",
     "%s はCDイメージ (ISO 9660) "
     "ではありません。イメージファイルか、Windowsのソースを含むフォルダを"
     "指定して下さい。"},
    {"%s is damaged or cut short and cannot be unpacked:\r\n%s",
     "%s は壊れているか途中で切れているため展開できません:\r\n%s"},
    {"Not enough free space to unpack %s into %s: %s MB needed, %s MB free.",
     "%s を %s に展開する空き容量が足りません（必要 %s MB、空き %s MB）。"},
    {"Cannot unpack %s:\r\n%s", "%s を展開できません:\r\n%s"},
    {"Unpacking %s", "%s を展開しています"},
    {"CD image...", "CDイメージ..."},
    {"CD images (*.iso *.ISO)", "CDイメージ (*.iso *.ISO)"},
};
static_assert(std::size(kTexts) == kAllOwnTexts.size());

}  // namespace

std::string OwnIn(OwnText id, bool japanese) {
    const auto index = static_cast<size_t>(id);
    if (index >= std::size(kTexts)) return {};
    return japanese ? kTexts[index].ja : kTexts[index].en;
}

std::string Own(OwnText id) {
    return OwnIn(id, MessageTable::Instance().japaneseTexts);
}

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t mark = text.find("%s", pos);
        if (mark == std::string_view::npos || next == args.end()) break;
        out.append(text.substr(pos, mark - pos));
        out.append(*next++);
        pos = mark + 2;
    }
    out.append(text.substr(pos));
    return out;
}

std::string JoinSentences(std::string_view first, std::string_view second) {
    std::string out(first);
    const bool punctuated = !first.empty() && (first.back() == '.' || first.back() == '!' ||
                                               first.back() == '?' || first.back() == ':');
    const bool ascii = !second.empty() && static_cast<unsigned char>(second.front()) > 0x20 &&
                       static_cast<unsigned char>(second.front()) < 0x80;
    if (punctuated && ascii) out += ' ';
    out.append(second);
    return out;
}

}  // namespace vrnx2
