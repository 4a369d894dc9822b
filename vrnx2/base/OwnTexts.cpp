#include "vrnx2/base/OwnTexts.h"

#include "vrnx2/base/MessageTable.h"

namespace vrnx2 {

namespace {

struct Pair {
    const char* en;
    const char* ja;
};

Pair TextsOf(OwnText id) {
    switch (id) {
        case OwnText::StashBesideUserTree:
            return {
                "A plugin folder set aside by an earlier build was found:\r\n%s\r\nand %s "
                "holds other files as well. Neither is changed. Move the plugins you want "
                "to keep into %s and remove %s.",
                "以前のビルドで退避されたプラグインフォルダが見つかりました:\r\n%s\r\n%s "
                "には他のファイルもあるため、どちらも変更しません。残すプラグインを %s "
                "に移してから %s を削除して下さい。"};
        case OwnText::StashPutBack:
            return {
                "A plugin folder set aside by an earlier build was found:\r\n%s\r\nPut it "
                "back as %s?",
                "以前のビルドで退避されたプラグインフォルダが見つかりました:\r\n%s\r\n%s "
                "として元に戻しますか？"};
        case OwnText::StagedFoldersMoveTo:
            return {" The staged folders move to %s.", " 組み込み用のフォルダは %s に移します。"};
        case OwnText::StagedLinksRemoved:
            return {" The staged folders, links to its files, are removed.",
                    " 組み込み用のフォルダ（そのファイルへのリンク）は削除します。"};
        case OwnText::CannotDelete:
            return {"Cannot delete %s", "%s を削除できません。"};
        case OwnText::CannotRename:
            return {"Cannot rename %s to %s", "%s の名前を %s に変更できません。"};
        case OwnText::CannotWriteEnable:
            return {"Cannot write the enable state of these plugin files:",
                    "次のプラグインファイルに有効/無効を書き込めません:"};
        case OwnText::CannotStage:
            return {"Cannot stage these plugin files:",
                    "次のプラグインファイルを組み込み順序どおりに配置できません:"};
        case OwnText::MoreFailures:
            return {"(%s more)", "(ほか %s 件)"};
    }
    return {"", ""};
}

}  // namespace

std::string OwnIn(OwnText id, bool japanese) {
    const Pair texts = TextsOf(id);
    return japanese ? texts.ja : texts.en;
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
