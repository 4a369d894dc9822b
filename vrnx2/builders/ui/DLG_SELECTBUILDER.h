#pragma once
// TSelectBuilder_Dialog: picks one registered builder, for a new profile.

#include <QDialog>

#include "vrnx2/settings/RecordHolder.h"

class QComboBox;
class QPushButton;

namespace vrnx2 {

class TSelectBuilder_Dialog : public QDialog {
    Q_OBJECT
public:
    explicit TSelectBuilder_Dialog(QWidget* parent = nullptr);

    QComboBox* List() const { return list_; }
    // The record of the selected entry (Number = its stored position); null when nothing is
    // selected, which is always so with no builder registered.
    const TBuilderRec* Chosen() const;

    void accept() override;

private:
    QComboBox* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    BuilderHolder entries_;
};

}  // namespace vrnx2
