#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The coordinate window of a review row: report number, date and the cell's coordinate
// in the report ("C12"), with a remark whether the row may be deleted.
class TFrmShowHint : public QDialog {
    Q_OBJECT
public:
    explicit TFrmShowHint(QWidget* owner);

    // Fills the fields; the remark follows from the coordinate text.
    void showRow(const QString& number, const QString& date, const QString& coordinate);

    QLineEdit* EdtBBZDBH;
    QLineEdit* EdtBBZDDATE;
    QLineEdit* EdtZB;
    QLabel* LblCanDelete;
    QPushButton* BtnClose;

    static QString remarkFor(const QString& coordinate);

protected:
    void mousePressEvent(QMouseEvent* event) override;   // FormClick
};
