#include "vrnx2/profiles/ui/options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <tuple>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"
#include "vrnx2/controls/ui/DialogButtons.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/SingleLineMemo.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/Drives.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace {

constexpr int kClientWidth = 464;
constexpr int kClientHeight = 396;
constexpr int kPageChrome = 72;  // dialog, page frame and page margins around the list

std::vector<std::string> FromMemo(const QPlainTextEdit* memo) {
    return TextAreaLines(Ss(memo->toPlainText()));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (buddy) label->setBuddy(buddy);
    return label;
}

// The variables, as many to a line as fit `width`.
QString WrappedMacroList(const QFontMetrics& metrics, int width) {
    const QStringList names = Qs(MacroListText()).split(QStringLiteral(", "));
    QStringList lines;
    QString line;
    for (int i = 0; i < names.size(); ++i) {
        const QString item = names[i] + (i + 1 < names.size() ? QStringLiteral(",") : QString());
        const QString longer = line.isEmpty() ? item : line + QLatin1Char(' ') + item;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = item;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

// ---- TOptions_Form --------------------------------------------------------------------------

TOptions_Form::TOptions_Form(QWidget* parent, const TProfileRec& profile, const DriveHolder& drives)
    : QDialog(parent), profile_(profile), drives_(drives) {
    chooseImage = [](QWidget* owner, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(owner, QString(), folder, filter);
    };
    setObjectName(QStringLiteral("Options_Form"));
    setWindowTitle(Qs(OptionsTitle(profile_)));

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PC1"));
    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("TS1"));
    auto* options = new QWidget;
    options->setObjectName(QStringLiteral("TS2"));
    auto* programs = new QWidget;
    programs->setObjectName(QStringLiteral("TS3"));
    BuildGeneralPage(general);
    BuildOptionsPage(options);
    BuildProgramsPage(programs);
    pages_->addTab(general, MsgText(kMsgGeneral));
    pages_->addTab(options, MsgText(kMsgBuildOptions));
    pages_->addTab(programs, MsgText(kMsgExternalPrograms));
    pages_->setCurrentIndex(0);

    QHBoxLayout* buttons = MakeOkCancel(this, "Cancel").row;

    // A screen smaller than the pages (a large font or scale) scrolls them; the buttons stay.
    QScrollArea* scrolling = ScrollingContent(pages_, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scrolling);
    layout->addLayout(buttons);
    ApplyWindowFonts(this);
    // Broken into lines by this dialog's own measure: a word-wrapped label would not tell
    // the layout how tall it gets, and its last names were cut off.
    macroList_->setText(
        WrappedMacroList(macroList_->fontMetrics(),
                         GrownForFont(this, QSize(kClientWidth, 0)).width() - kPageChrome));
    FitDialog(this, QSize(kClientWidth, kClientHeight), false, scrolling);

    for (int i = 0; i < drives_.Count(); ++i) bcb02_->addItem(Qs(drives_.Text(i)));
    Fill(OptionsFromProfile(profile_, drives_));
    UpdateDependencies();

    // Connected only now, so filling the controls converts and clears nothing.
    connect(bcb01_, &QComboBox::currentIndexChanged, this, [this] { UpdateDependencies(); });
    for (QCheckBox* box : {bch03_, bch04_, ech01_, ech02_, ech03_})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateDependencies(); });
    connect(grb1_, &QRadioButton::toggled, this, [this](bool on) { SwitchOutputMode(on); });

    connect(imageButton_, &QPushButton::clicked, this, [this] { BrowseImage(); });
    for (TEllipsisEdit* box : {gee01_, gee02_, gee03_, gee04_}) {
        connect(box, &TEllipsisEdit::OnEllipsisClick, this,
                [this](TEllipsisEdit* b) { Browse(b); });
        box->installEventFilter(this);
    }
}

TEllipsisEdit* TOptions_Form::MakePathBox(QWidget* parent, const char* name, const char* titleId) {
    auto* box = new TEllipsisEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setProperty("browseTitle", QString::fromLatin1(titleId));
    return box;
}

QCheckBox* TOptions_Form::MakeCheck(QWidget* parent, const char* name, const char* captionId) {
    auto* box = new QCheckBox(MsgText(captionId), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void TOptions_Form::BuildGeneralPage(QWidget* page) {
    gee01_ = MakePathBox(page, "GEE01", kMsgPleaseSelectSourcePath);
    gee02_ = MakePathBox(page, "GEE02", kMsgPleaseSelectBuildOutputPath);
    gee03_ = MakePathBox(page, "GEE03", kMsgPleaseSelectIsoOutputPath);
    gee04_ = MakePathBox(page, "GEE04", kMsgPleaseSelectCustomFilePath);
    ged01_ = new QLineEdit(page);
    ged01_->setObjectName(QStringLiteral("GED01"));
    ged02_ = new QLineEdit(page);
    ged02_->setObjectName(QStringLiteral("GED02"));
    ged03_ = new QLineEdit(page);
    ged03_->setObjectName(QStringLiteral("GED03"));
    grb1_ = new QRadioButton(MsgText(kMsgAbsolutePath), page);
    grb1_->setObjectName(QStringLiteral("GRB1"));
    grb2_ = new QRadioButton(MsgText(kMsgRelativePath), page);
    grb2_->setObjectName(QStringLiteral("GRB2"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(MakeLabel(page, "lblSource", MsgText(kMsgSourcePath), gee01_), 0, 0, 1, 2);
    imageButton_ = new QPushButton(Qs(Own(OwnText::ImageChoose)), page);
    imageButton_->setObjectName(QStringLiteral("GBT_IMAGE"));
    auto* source = new QHBoxLayout;
    source->addWidget(gee01_, 1);
    source->addWidget(imageButton_);
    grid->addLayout(source, 1, 0, 1, 2);
    outputLabel_ =
        MakeLabel(page, "lblOutDir", Qs(OutputLabel(profile_.UseAbsoluteOutput)), gee02_);
    auto* modes = new QHBoxLayout;
    modes->addWidget(outputLabel_);
    modes->addStretch();
    modes->addWidget(grb1_);
    modes->addWidget(grb2_);
    grid->addLayout(modes, 2, 0, 1, 2);
    grid->addWidget(gee02_, 3, 0, 1, 2);
    grid->addWidget(MakeLabel(page, "lblIsoPath", MsgText(kMsgIsoOutputPath), gee03_), 4, 0);
    grid->addWidget(MakeLabel(page, "lblIsoFile", MsgText(kMsgIsoFileName), ged01_), 4, 1);
    grid->addWidget(gee03_, 5, 0);
    grid->addWidget(ged01_, 5, 1);
    grid->addWidget(MakeLabel(page, "lblCustomDir", MsgText(kMsgCustomFilePath), gee04_), 6, 0, 1,
                    2);
    grid->addWidget(gee04_, 7, 0, 1, 2);
    grid->addWidget(MakeLabel(page, "lblBuildParameter", MsgText(kMsgBuildParameters), ged02_), 8,
                    0);
    grid->addWidget(
        MakeLabel(page, "lblIsoBuildParameter", MsgText(kMsgIsoCreationParameters), ged03_), 8, 1);
    grid->addWidget(ged02_, 9, 0);
    grid->addWidget(ged03_, 9, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(10, 1);
}

void TOptions_Form::BuildOptionsPage(QWidget* page) {
    bch01_ = MakeCheck(page, "BCH01", kMsgDoNotBuildRegistry);
    bch02_ = MakeCheck(page, "BCH02", kMsgDoNotBuildFiles);
    bch03_ = MakeCheck(page, "BCH03", kMsgCreateIsoImageWhenBuilding);
    bed01_ = new QLineEdit(page);
    bed01_->setObjectName(QStringLiteral("BED01"));
    bed01_->setMaxLength(kVolumeIdMaxLength);
    // A volume label takes plain characters: no input method composes into it.
    bed01_->setAttribute(Qt::WA_InputMethodEnabled, false);
    volumeLabel_ = MakeLabel(page, "lblVolumeID", MsgText(kMsgVolumeId), bed01_);
    bch03_1_ = MakeCheck(page, "BCH03_1", kMsgOptimiseStorage);
    bch03_2_ = MakeCheck(page, "BCH03_2", kMsgDoNotUpperCaseFile);
    bch04_ = MakeCheck(page, "BCH04", kMsgBurnIsoImageDisc);
    bcb01_ = new QComboBox(page);
    bcb01_->setObjectName(QStringLiteral("BCB01"));
    for (const char* tool : kWritingTools) bcb01_->addItem(QString::fromLatin1(tool));
    toolLabel_ = MakeLabel(page, "lblWritingTool", MsgText(kMsgWritingTool), bcb01_);
    bcb02_ = new QComboBox(page);
    bcb02_->setObjectName(QStringLiteral("BCB02"));
    driveLabel_ = MakeLabel(page, "lblDrive", MsgText(kMsgDrive), bcb02_);
    bch04_1_ = MakeCheck(page, "BCH04_1", kMsgEraseRewritableBeforeBurning);
    bch04_2_ = MakeCheck(page, "BCH04_2", kMsgVerifyData);
    bch04_3_ = MakeCheck(page, "BCH04_3", kMsgEjectAfterBurning);
    bch04_4_ = MakeCheck(page, "BCH04_4", kMsgDeleteIsoFileAfterWriting);
    bch04_5_ = MakeCheck(page, "BCH04_5", kMsgDeleteBuildDataAfterWriting);
    bch05_ = MakeCheck(page, "BCH05", kMsgVerboseMode);

    // Paired boxes share a row so the page fits the dialog's size.
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(0);
    layout->setContentsMargins(9, 4, 9, 4);
    auto row = [layout](int indent, std::initializer_list<QWidget*> widgets, int stretchAt = -1) {
        auto* line = new QHBoxLayout;
        line->setContentsMargins(indent, 0, 0, 0);
        int i = 0;
        for (QWidget* w : widgets) line->addWidget(w, i++ == stretchAt ? 1 : 0);
        if (stretchAt < 0) line->addStretch();
        layout->addLayout(line);
    };
    toolLabel_->setMinimumWidth(120);
    driveLabel_->setMinimumWidth(120);
    bcb02_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    row(0, {bch01_, bch02_});
    row(0, {bch03_});
    row(20, {volumeLabel_, bed01_}, 1);
    row(20, {bch03_1_, bch03_2_});
    row(20, {bch04_});
    row(40, {toolLabel_, bcb01_}, 1);
    row(40, {driveLabel_, bcb02_}, 1);
    row(40, {bch04_1_, bch04_2_});
    row(40, {bch04_3_});
    row(40, {bch04_4_});
    row(40, {bch04_5_});
    row(0, {bch05_});
    layout->addStretch();
}

void TOptions_Form::BuildProgramsPage(QWidget* page) {
    ech01_ = MakeCheck(page, "ECH01", kMsgRunExternalProgramBeforeBuild);
    ech02_ = MakeCheck(page, "ECH02", kMsgUseExternalProgramIsoCreation);
    ech03_ = MakeCheck(page, "ECH03", kMsgUseExternalProgramCreateIso);
    auto* layout = new QVBoxLayout(page);
    for (auto [check, memo, name] :
         {std::tuple{ech01_, &emm01_, "EMM01"}, std::tuple{ech02_, &emm02_, "EMM02"},
          std::tuple{ech03_, &emm03_, "EMM03"}}) {
        *memo = new TSingleLineMemo(page);
        (*memo)->setObjectName(QString::fromLatin1(name));
        const int line = (*memo)->fontMetrics().lineSpacing();
        (*memo)->setFixedHeight(2 * line + 12);
        layout->addWidget(check);
        layout->addWidget(*memo);
    }
    layout->addWidget(MakeLabel(page, "lblVar", MsgText(kMsgAvailableVariables), nullptr));
    macroList_ = MakeLabel(page, "lblVarList", Qs(MacroListText()), nullptr);
    macroList_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(macroList_);
    layout->addStretch();
}

void TOptions_Form::Fill(const ProfileOptionsValues& v) {
    gee01_->setText(Qs(v.source));
    (v.absoluteOutput ? grb1_ : grb2_)->setChecked(true);
    gee02_->setText(Qs(v.outputDir));
    gee03_->setText(Qs(v.isoPath));
    ged01_->setText(Qs(v.isoFile));
    gee04_->setText(Qs(v.customDir));
    ged02_->setText(Qs(v.buildParameter));
    ged03_->setText(Qs(v.isoBuildParameter));

    bch01_->setChecked(v.skipRegistry);
    bch02_->setChecked(v.skipFiles);
    bch03_->setChecked(v.buildIso);
    bed01_->setText(Qs(v.volumeId));
    bch03_1_->setChecked(v.isoDuplicatesOnce);
    bch03_2_->setChecked(v.noUpperCase);
    bch04_->setChecked(v.burnCd);
    bcb01_->setCurrentIndex(v.writingTool);
    bcb02_->setCurrentIndex(v.drive);
    bch04_1_->setChecked(v.blankCdrw);
    bch04_2_->setChecked(v.verify);
    bch04_3_->setChecked(v.eject);
    bch04_4_->setChecked(v.cleanIsoAfterBurn);
    bch04_5_->setChecked(v.cleanOutputAfterBurn);
    bch05_->setChecked(v.verbose);

    ech01_->setChecked(v.preBuildProgram);
    ech02_->setChecked(v.buildProgram);
    ech03_->setChecked(v.isoProgram);
    emm01_->setPlainText(QsList(v.program1).join(QLatin1Char('\n')));
    emm02_->setPlainText(QsList(v.program2).join(QLatin1Char('\n')));
    emm03_->setPlainText(QsList(v.program3).join(QLatin1Char('\n')));
}

ProfileOptionsValues TOptions_Form::Values() const {
    ProfileOptionsValues v;
    v.source = Ss(gee01_->text());
    v.absoluteOutput = grb1_->isChecked();
    v.outputDir = Ss(gee02_->text());
    v.isoPath = Ss(gee03_->text());
    v.isoFile = Ss(ged01_->text());
    v.customDir = Ss(gee04_->text());
    v.buildParameter = Ss(ged02_->text());
    v.isoBuildParameter = Ss(ged03_->text());

    v.skipRegistry = bch01_->isChecked();
    v.skipFiles = bch02_->isChecked();
    v.buildIso = bch03_->isChecked();
    v.volumeId = Ss(bed01_->text());
    v.isoDuplicatesOnce = bch03_1_->isChecked();
    v.noUpperCase = bch03_2_->isChecked();
    v.burnCd = bch04_->isChecked();
    v.writingTool = bcb01_->currentIndex();
    v.drive = bcb02_->currentIndex();
    v.blankCdrw = bch04_1_->isChecked();
    v.verify = bch04_2_->isChecked();
    v.eject = bch04_3_->isChecked();
    v.cleanIsoAfterBurn = bch04_4_->isChecked();
    v.cleanOutputAfterBurn = bch04_5_->isChecked();
    v.verbose = bch05_->isChecked();

    v.preBuildProgram = ech01_->isChecked();
    v.buildProgram = ech02_->isChecked();
    v.isoProgram = ech03_->isChecked();
    v.program1 = FromMemo(emm01_);
    v.program2 = FromMemo(emm02_);
    v.program3 = FromMemo(emm03_);
    return v;
}

TProfileRec TOptions_Form::Profile() const {
    TProfileRec copy = profile_;
    OptionsToProfile(Values(), drives_, copy);
    return copy;
}

void TOptions_Form::UpdateDependencies() {
    // Clearing a box below runs this again through its signal; once is enough.
    if (updating_) return;
    updating_ = true;
    ProfileOptionsValues v = Values();
    ApplyDependencies(v);
    bch04_2_->setChecked(v.verify);
    bch04_->setChecked(v.burnCd);
    const OptionsEnabling e = EnabledControls(v);
    for (QWidget* w :
         std::initializer_list<QWidget*>{volumeLabel_, bed01_, bch03_1_, bch03_2_, bch04_})
        w->setEnabled(e.isoOptions);
    for (QWidget* w : std::initializer_list<QWidget*>{toolLabel_, bcb01_, driveLabel_, bcb02_,
                                                      bch04_1_, bch04_3_, bch04_4_, bch04_5_})
        w->setEnabled(e.burnOptions);
    bch04_2_->setEnabled(e.verify);
    emm01_->setEnabled(e.program1);
    emm02_->setEnabled(e.program2);
    emm03_->setEnabled(e.program3);
    updating_ = false;
}

void TOptions_Form::SwitchOutputMode(bool absolute) {
    gee02_->setText(Qs(SwitchOutputText(Ss(gee02_->text()), absolute, profile_.Builder.Path)));
    outputLabel_->setText(Qs(OutputLabel(absolute)));
}

std::string TOptions_Form::BrowseTitleId(const TEllipsisEdit* box) const {
    return Ss(box->property("browseTitle").toString());
}

void TOptions_Form::Browse(TEllipsisEdit* box) {
    const bool output = box == gee02_;
    const bool absolute = grb1_->isChecked();
    const std::string& builder = profile_.Builder.Path;
    const std::string text = Ss(box->text());
    std::string path =
        StoredFolder(output ? OutputBrowseStart(text, absolute, builder) : ShownFolder(text));
    if (!BrowseForFolder(Msg(BrowseTitleId(box)), path, true)) return;
    box->setText(Qs(output ? OutputTextFor(path, absolute, builder) : ShownFolder(path)));
}

void TOptions_Form::BrowseImage() {
    const std::string text = ShownFolder(Ss(gee01_->text()));
    std::error_code ec;
    // Starts where the current image lies, or in the current folder.
    const std::string start = std::filesystem::is_directory(text, ec)
                                  ? text
                                  : std::filesystem::path(text).parent_path().string();
    const QString chosen = chooseImage(this, Qs(start), Qs(Own(OwnText::ImageFilter)));
    if (!chosen.isEmpty()) gee01_->setText(chosen);
}

void TOptions_Form::DropOn(TEllipsisEdit* box, const QString& path) {
    const std::string name = Ss(path);
    box->setText(Qs(box == gee02_ ? OutputTextFor(name, grb1_->isChecked(), profile_.Builder.Path)
                                  : ShownFolder(name)));
    raise();
    activateWindow();
}

bool TOptions_Form::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<TEllipsisEdit*>(watched);
    if (box && (box == gee01_ || box == gee02_ || box == gee03_ || box == gee04_)) {
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = FirstDroppedPath(drop->mimeData());
            if (!path.isEmpty() && !box->isReadOnly()) {
                drop->acceptProposedAction();
                DropOn(box, path);
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) {
                Browse(box);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- entry ----------------------------------------------------------------------------------

}  // namespace vrnx2
