#pragma once
// The preferences dialog: Plugin Builder's folder and the text editor, each with whether to
// wait for it, and the virtual machine that tries a built image. OK writes the values back
// to the store in one transaction; Cancel writes nothing.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "vrnx2/build/TryImage.h"
#include "vrnx2/profiles/Preferences.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace vrnx2 {

class TEllipsisEdit;

class TPREFERENSES_Form : public QDialog {
    Q_OBJECT
public:
    explicit TPREFERENSES_Form(QWidget* parent = nullptr);

    void SetPreferences(const Preferences& prefs);
    Preferences GetPreferences() const;
    void SetVmPreferences(const VmPreferences& prefs);
    VmPreferences GetVmPreferences() const;

    TEllipsisEdit* EE01() const { return ee01_; }
    TEllipsisEdit* EE02() const { return ee02_; }
    QCheckBox* CHB01() const { return chb01_; }
    QCheckBox* CHB02() const { return chb02_; }
    QSpinBox* VmMemory() const { return vmMemory_; }
    QLineEdit* VmOptions() const { return vmOptions_; }
    QCheckBox* VmKvm() const { return vmKvm_; }

    // The file-open chooser of EE02: starting folder, filters, the filter shown first.
    // Returns the chosen file, or an empty text when cancelled. Tests replace it.
    std::function<QString(QWidget* parent, const QString& folder, const QStringList& filters,
                          const QString& selectedFilter)>
        chooseFile;

public slots:
    // Saves and closes; a store that cannot be written is reported and the dialog stays
    // open, so nothing typed is lost.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BrowsePluginBuilder();
    void BrowseTextEditor();

    TEllipsisEdit* ee01_;
    TEllipsisEdit* ee02_;
    QCheckBox* chb01_;
    QCheckBox* chb02_;
    QSpinBox* vmMemory_;
    QLineEdit* vmOptions_;
    QCheckBox* vmKvm_;
};

}  // namespace vrnx2
