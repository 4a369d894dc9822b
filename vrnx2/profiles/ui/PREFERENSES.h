#pragma once
// The preferences dialog: Plugin Builder's folder and the text editor, each with whether to
// wait for it. OK writes the four values back to the store; Cancel writes nothing.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "vrnx2/profiles/Preferences.h"

class QCheckBox;

namespace vrnx2 {

class TEllipsisEdit;

class TPREFERENSES_Form : public QDialog {
    Q_OBJECT
public:
    explicit TPREFERENSES_Form(QWidget* parent = nullptr);

    void SetPreferences(const Preferences& prefs);
    Preferences GetPreferences() const;

    TEllipsisEdit* EE01() const { return ee01_; }
    TEllipsisEdit* EE02() const { return ee02_; }
    QCheckBox* CHB01() const { return chb01_; }
    QCheckBox* CHB02() const { return chb02_; }

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
};

}  // namespace vrnx2
