#include "maintenance/ui/del_bbex_form.h"

#include "maintenance/bbex_cleanup.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TDelBBEXForm::TDelBBEXForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("DelBBEXForm"));
    setWindowTitle(QStringLiteral("扩展表（KRBBEX）垃圾数据清除"));
    resize(400, 200);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Memo1 = new QPlainTextEdit(Bevel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setBackgroundRole(QPalette::Window);
    Memo1->viewport()->setBackgroundRole(QPalette::Window);
    Memo1->viewport()->setAutoFillBackground(false);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setPlainText(QStringLiteral("    报表扩展表（KRBBEX）垃圾数据清除主要解\n"
                                       "决因KRBBEX有垃圾数据导致报表月末存档失败、\n"
                                       "年结失败的问题。\n"
                                       "    可在清除完毕后继续进行月末存档、年结。"));
    auto* frameLayout = new QVBoxLayout(Bevel1);
    frameLayout->addWidget(Memo1);

    DelBtn = addRunButton(QStringLiteral("DelBtn"), QStringLiteral("清除"), [this] { BbexCleanupJob(jobContext()).run(); });
    DelBtn->setDefault(true);
    CloseBtn = addCloseButton(QStringLiteral("CloseBtn"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bevel1);
    layout->addLayout(buttonRow());
}
