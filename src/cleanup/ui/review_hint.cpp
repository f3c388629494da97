#include "cleanup/ui/review_hint.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

TFrmShowHint::TFrmShowHint(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FrmShowHint"));
    setWindowTitle(QStringLiteral("当前坐标"));
    setFixedSize(288, 212);

    auto* grid = new QGridLayout;
    auto field = [&](int row, const QString& caption, const QString& name) {
        auto* label = new QLabel(caption, this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        return edit;
    };
    EdtBBZDBH = field(0, QStringLiteral("报表编号："), QStringLiteral("EdtBBZDBH"));
    EdtBBZDDATE = field(1, QStringLiteral("报表日期："), QStringLiteral("EdtBBZDDATE"));
    EdtZB = field(2, QStringLiteral("当前坐标："), QStringLiteral("EdtZB"));

    LblCanDelete = new QLabel(this);
    LblCanDelete->setObjectName(QStringLiteral("LblCanDelete"));
    LblCanDelete->setWordWrap(true);
    LblCanDelete->setStyleSheet(QStringLiteral("color: #b00000;"));

    BtnClose = new QPushButton(QStringLiteral("关闭"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setDefault(true);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);   // BtnCloseClick

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(LblCanDelete);
    layout->addStretch();
    layout->addLayout(buttons);
}

QString TFrmShowHint::remarkFor(const QString& coordinate)
{
    if (coordinate.isEmpty())
        return QStringLiteral("坐标不存在，您可以删除该记录。");
    if (coordinate.contains(QLatin1Char(';')))
        return QStringLiteral("行列坐标有重复，请检查行字典或列字典。");
    return {};
}

void TFrmShowHint::showRow(const QString& number, const QString& date, const QString& coordinate)
{
    EdtBBZDBH->setText(number);
    EdtBBZDDATE->setText(date);
    EdtZB->setText(coordinate);
    LblCanDelete->setText(remarkFor(coordinate));
}

void TFrmShowHint::mousePressEvent(QMouseEvent* event)
{
    // Only presses on the window itself reach here; the fields and the button take theirs.
    event->accept();
    accept();
}
