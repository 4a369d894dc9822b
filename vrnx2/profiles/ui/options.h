#pragma once
// TOptions_Form: the build options of one profile on three pages (paths and builder
// parameters, build and disc-writing options, outside programs). It shows a copy of the
// profile and hands the edited copy back; the rules live in ProfileOptions.

#include <QDialog>
#include <functional>

#include "vrnx2/profiles/ProfileOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vrnx2 {

class TEllipsisEdit;
class TSingleLineMemo;

class TOptions_Form : public QDialog {
    Q_OBJECT
public:
    // `drives` is the drive list the dialog offers; it must outlive the dialog.
    TOptions_Form(QWidget* parent, const TProfileRec& profile, const DriveHolder& drives);

    // What the controls hold now.
    ProfileOptionsValues Values() const;
    // The profile copy with the controls read back into it.
    TProfileRec Profile() const;

    // The folder chooser of a path box (button or Alt+Down).
    void Browse(TEllipsisEdit* box);
    // The source box's second chooser: a CD image file.
    void BrowseImage();
    // Asks for an image file: parent, starting folder, filter; empty when cancelled.
    std::function<QString(QWidget*, const QString&, const QString&)> chooseImage;
    // A file or folder dropped on a path box; the dialog then comes to the front.
    void DropOn(TEllipsisEdit* box, const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildGeneralPage(QWidget* page);
    void BuildOptionsPage(QWidget* page);
    void BuildProgramsPage(QWidget* page);
    TEllipsisEdit* MakePathBox(QWidget* parent, const char* name, const char* titleId);
    QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* captionId);
    void Fill(const ProfileOptionsValues& values);
    void UpdateDependencies();
    void SwitchOutputMode(bool absolute);
    std::string BrowseTitleId(const TEllipsisEdit* box) const;

    TProfileRec profile_;
    const DriveHolder& drives_;
    bool updating_ = false;

    QTabWidget* pages_ = nullptr;
    TEllipsisEdit* gee01_ = nullptr;
    QPushButton* imageButton_ = nullptr;
    TEllipsisEdit* gee02_ = nullptr;
    TEllipsisEdit* gee03_ = nullptr;
    TEllipsisEdit* gee04_ = nullptr;
    QRadioButton* grb1_ = nullptr;
    QRadioButton* grb2_ = nullptr;
    QLabel* outputLabel_ = nullptr;
    QLabel* macroList_ = nullptr;
    QLineEdit* ged01_ = nullptr;
    QLineEdit* ged02_ = nullptr;
    QLineEdit* ged03_ = nullptr;

    QCheckBox* bch01_ = nullptr;
    QCheckBox* bch02_ = nullptr;
    QCheckBox* bch03_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QLineEdit* bed01_ = nullptr;
    QCheckBox* bch03_1_ = nullptr;
    QCheckBox* bch03_2_ = nullptr;
    QCheckBox* bch04_ = nullptr;
    QLabel* toolLabel_ = nullptr;
    QComboBox* bcb01_ = nullptr;
    QLabel* driveLabel_ = nullptr;
    QComboBox* bcb02_ = nullptr;
    QCheckBox* bch04_1_ = nullptr;
    QCheckBox* bch04_2_ = nullptr;
    QCheckBox* bch04_3_ = nullptr;
    QCheckBox* bch04_4_ = nullptr;
    QCheckBox* bch04_5_ = nullptr;
    QCheckBox* bch05_ = nullptr;

    QCheckBox* ech01_ = nullptr;
    QCheckBox* ech02_ = nullptr;
    QCheckBox* ech03_ = nullptr;
    TSingleLineMemo* emm01_ = nullptr;
    TSingleLineMemo* emm02_ = nullptr;
    TSingleLineMemo* emm03_ = nullptr;
};

}  // namespace vrnx2
