#include "vrnx2/profiles/ui/PREFERENSES.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/DialogButtons.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

constexpr int kClientWidth = 472;
constexpr int kClientHeight = 232;
constexpr int kMaxVmMemoryMb = 65536;

// One group: caption, the label naming the path box beside the box, the wait check box.
QGroupBox* PathGroup(QWidget* parent, int index, const char* captionId, QLabel* label,
                     TEllipsisEdit* edit, QCheckBox* check) {
    auto* group = new QGroupBox(MsgText(captionId), parent);
    group->setObjectName(QStringLiteral("GroupBox%1").arg(index));
    label->setObjectName(QStringLiteral("Label%1").arg(index));
    label->setBuddy(edit);
    for (QWidget* w : std::initializer_list<QWidget*>{label, edit, check}) w->setParent(group);
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setVerticalSpacing(4);
    layout->addWidget(label, 0, 0);
    layout->addWidget(edit, 0, 1);
    layout->addWidget(check, 1, 0, 1, 2);
    return group;
}

// The virtual machine that tries a built image: memory, QEMU's extra options, KVM.
QGroupBox* VmGroup(QWidget* parent, QLabel* memoryLabel, QSpinBox* memory, QLabel* optionsLabel,
                   QLineEdit* options, QCheckBox* kvm) {
    auto* group = new QGroupBox(MsgText(kMsgVirtualMachine), parent);
    group->setObjectName(QStringLiteral("GroupBox3"));
    memoryLabel->setBuddy(memory);
    optionsLabel->setBuddy(options);
    for (QWidget* w :
         std::initializer_list<QWidget*>{memoryLabel, memory, optionsLabel, options, kvm})
        w->setParent(group);
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setVerticalSpacing(4);
    layout->addWidget(memoryLabel, 0, 0);
    layout->addWidget(memory, 0, 1, Qt::AlignLeft);
    layout->addWidget(optionsLabel, 1, 0);
    layout->addWidget(options, 1, 1);
    layout->addWidget(kvm, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return group;
}

QString OpenFileWithQt(QWidget* parent, const QString& folder, const QStringList& filters,
                       const QString& selectedFilter) {
    QString selected = selectedFilter;
    return QFileDialog::getOpenFileName(parent, QString(), folder,
                                        filters.join(QStringLiteral(";;")), &selected);
}

}  // namespace

TPREFERENSES_Form::TPREFERENSES_Form(QWidget* parent)
    : QDialog(parent),
      chooseFile(OpenFileWithQt),
      ee01_(new TEllipsisEdit(this)),
      ee02_(new TEllipsisEdit(this)),
      chb01_(new QCheckBox(MsgText(kMsgWaitPluginBuilderExit), this)),
      chb02_(new QCheckBox(MsgText(kMsgWaitTextEditorExit), this)),
      vmMemory_(new QSpinBox(this)),
      vmOptions_(new QLineEdit(this)),
      vmKvm_(new QCheckBox(MsgText(kMsgVmUseKvm), this)) {
    setObjectName(QStringLiteral("PREFERENSES"));
    setWindowTitle(MsgText(kMsgPreferencesTitle));
    setModal(true);
    ee01_->setObjectName(QStringLiteral("EE01"));
    ee02_->setObjectName(QStringLiteral("EE02"));
    chb01_->setObjectName(QStringLiteral("CHB01"));
    chb02_->setObjectName(QStringLiteral("CHB02"));
    vmMemory_->setObjectName(QStringLiteral("VmMemory"));
    vmOptions_->setObjectName(QStringLiteral("VmOptions"));
    vmKvm_->setObjectName(QStringLiteral("VmKvm"));
    vmMemory_->setRange(kLeastVmMemoryMb, kMaxVmMemoryMb);
    vmMemory_->setSingleStep(64);

    QHBoxLayout* buttons = MakeOkCancel(this, "Cancel").row;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    auto* label1 = new QLabel(MsgText(kMsgPluginBuilderPathLabel), this);
    auto* label2 = new QLabel(MsgText(kMsgExecutable), this);
    layout->addWidget(PathGroup(this, 1, kMsgPluginBuilder, label1, ee01_, chb01_));
    layout->addWidget(PathGroup(this, 2, kMsgTextEditor, label2, ee02_, chb02_));
    auto* label3 = new QLabel(MsgText(kMsgVmMemory), this);
    auto* label4 = new QLabel(MsgText(kMsgVmOptions), this);
    layout->addWidget(VmGroup(this, label3, vmMemory_, label4, vmOptions_, vmKvm_));
    layout->addStretch();
    layout->addLayout(buttons);

    connect(ee01_, &TEllipsisEdit::OnEllipsisClick, this, [this] { BrowsePluginBuilder(); });
    connect(ee02_, &TEllipsisEdit::OnEllipsisClick, this, [this] { BrowseTextEditor(); });
    for (TEllipsisEdit* edit : {ee01_, ee02_}) edit->installEventFilter(this);

    ApplyWindowFonts(this);
    // The boxes start at one edge.
    int labelWidth = 0;
    for (QLabel* label : {label1, label2, label3, label4})
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel* label : {label1, label2, label3, label4}) label->setMinimumWidth(labelWidth);
    // A fixed dialog border; a larger font from the language resource may widen it.
    FitDialog(this, QSize(kClientWidth, kClientHeight), true);
}

void TPREFERENSES_Form::SetPreferences(const Preferences& prefs) {
    ee01_->setText(Qs(prefs.pluginBuilderPath));
    chb01_->setChecked(prefs.pluginBuilderWait);
    ee02_->setText(Qs(prefs.textEditor));
    chb02_->setChecked(prefs.textEditorWait);
}

void TPREFERENSES_Form::SetVmPreferences(const VmPreferences& prefs) {
    vmMemory_->setValue(prefs.memoryMb);
    vmOptions_->setText(Qs(prefs.extraOptions));
    vmKvm_->setChecked(prefs.useKvm);
}

VmPreferences TPREFERENSES_Form::GetVmPreferences() const {
    VmPreferences p;
    p.memoryMb = vmMemory_->value();
    p.extraOptions = vmOptions_->text().toStdString();
    p.useKvm = vmKvm_->isChecked();
    return p;
}

Preferences TPREFERENSES_Form::GetPreferences() const {
    Preferences p;
    p.pluginBuilderPath = ee01_->text().toStdString();
    p.pluginBuilderWait = chb01_->isChecked();
    p.textEditor = ee02_->text().toStdString();
    p.textEditorWait = chb02_->isChecked();
    return p;
}

void TPREFERENSES_Form::accept() {
    if (!WriteOrTell([this] {
            StoreTransaction write;
            SavePreferences(GetPreferences());
            SaveVmPreferences(GetVmPreferences());
            write.Commit();
        }))
        return;
    QDialog::accept();
}

void TPREFERENSES_Form::BrowsePluginBuilder() {
    std::string folder = ee01_->text().toStdString();
    if (UI().BrowseForFolder(Msg(kMsgPleaseSpecifyPluginBuilderInstall), folder, false))
        ee01_->setText(Qs(WithoutTrailingDelimiter(folder)));
}

void TPREFERENSES_Form::BrowseTextEditor() {
    const std::string current = ee02_->text().toStdString();
    const std::vector<FileFilter> filters = ParseFileFilter(Msg(kMsgExecutableFilter));
    QStringList shown;
    for (const std::string& f : ChooserFilters(filters)) shown << Qs(f);
    const QString first =
        shown.isEmpty() ? QString()
                        : shown.at(static_cast<qsizetype>(InitialFilterIndex(filters, current)));
    const QString chosen = chooseFile(this, Qs(InitialFolderOf(current)), shown, first);
    if (!chosen.isEmpty()) ee02_->setText(chosen);
}

bool TPREFERENSES_Form::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<TEllipsisEdit*>(watched);
    if (!edit || (edit != ee01_ && edit != ee02_)) return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) {
            if (edit == ee01_)
                BrowsePluginBuilder();
            else
                BrowseTextEditor();
            return true;
        }
    } else if (event->type() == QEvent::Drop && !edit->isReadOnly()) {
        auto* drop = static_cast<QDropEvent*>(event);
        const auto text = DroppedPathText(DroppedNames(drop->mimeData()),
                                          edit == ee01_ ? PathBoxKind::Folder : PathBoxKind::File);
        if (!text) return false;  // plain text: the box's own handling
        edit->setText(Qs(*text));
        drop->acceptProposedAction();
        // The drop came from another window; the person continues here.
        if (!isActiveWindow()) {
            raise();
            activateWindow();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vrnx2
