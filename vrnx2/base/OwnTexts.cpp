#include "vrnx2/base/OwnTexts.h"

#include <iterator>

#include "platform/Texts.h"
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
    {"Another build is using the builder folder %s:\r\n%s\r\nStart this build again when "
     "that one has ended.",
     "ビルダーフォルダ %s は他のビルドが使用中です:\r\n%s\r\nそのビルドが終わってから、"
     "もう一度ビルドして下さい。"},
    {"another program", "別のプログラム"},
    {"%s is not the folder this build staged any more, so it is left as it is; the plugin "
     "folder set aside for the build stays at %s. Sort the two folders out by hand.",
     "%s はこのビルドが配置したフォルダではなくなっているため、そのまま残します。"
     "ビルドのために退避したプラグインフォルダは %s にあります。二つのフォルダを手で整理して"
     "下さい。"},
    {"%s ended with exit code %s.", "%s は終了コード %s で終了しました。"},
    {"The last lines %s and Wine wrote on the standard error:",
     "%s と Wine が標準エラー出力に書いた最後の行:"},
    {"The builder reads its options file in code page %s, and no locale of that code page is "
     "installed to run it in under Wine, so %s would reach it garbled. Install the locale %s "
     "(Debian: the package locales, then dpkg-reconfigure locales; or the package "
     "locales-all) and build again.",
     "ビルダーはオプションファイルをコードページ %s で読みますが、そのコードページのロケールが"
     "インストールされていないため、Wine で実行すると %s が化けて渡されます。ロケール %s を"
     "インストールしてから（Debian: パッケージ locales を入れて dpkg-reconfigure locales、"
     "またはパッケージ locales-all）もう一度ビルドして下さい。"},
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
    {"Another build is using the Wine prefix %s:\r\n%s\r\nTwo builders in one prefix load "
     "their registry hives under the same names, so this build would fail halfway. Start it "
     "again when that one has ended, or give this builder a prefix of its own (WINEPREFIX).",
     "Wine プレフィックス %s は他のビルドが使用中です:\r\n%s\r\n一つのプレフィックスで二つの"
     "ビルダーがレジストリハイブを同じ名前で読み込むため、このビルドは途中で失敗します。"
     "そのビルドが終わってからもう一度ビルドするか、このビルダーに別のプレフィックスを"
     "指定して下さい（WINEPREFIX）。"},
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
    return platform::FillIn(text, args);
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
