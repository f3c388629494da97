#include "app/step_form.h"

#include "app/busy_animation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TStepForm* StepForm = nullptr;

namespace {
// 宋体 at 14 pixels, or the CJK font the machine has.
QFont labelFont()
{
    QFont font;
    QStringList families{QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun")};
    const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& f : installed)
        if (!families.contains(f))
            families << f;
    font.setFamilies(families);
    font.setPixelSize(14);
    return font;
}
}

TStepForm::TStepForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      Animate(new BusyAnimation(this)), RebuildLabel(new QLabel(this)), RebuildBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("StepForm"));
    setWindowTitle(QStringLiteral("运行中，请稍候..."));
    setFixedSize(480, 118);
    setModal(false);
    move(160, 453);

    Animate->setObjectName(QStringLiteral("Animate"));
    RebuildLabel->setObjectName(QStringLiteral("RebuildLabel"));
    RebuildLabel->setFont(labelFont());
    RebuildBar->setObjectName(QStringLiteral("RebuildBar"));
    RebuildBar->setRange(0, 100);
    RebuildBar->setValue(0);
    RebuildBar->setFixedHeight(18);
    RebuildBar->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(3);
    layout->addWidget(Animate, 1);
    layout->addWidget(RebuildLabel);
    layout->addWidget(RebuildBar);
}

void TStepForm::setLabel(const QString& text) { RebuildLabel->setText(text); }

void TStepForm::setRange(int minimum, int maximum) { RebuildBar->setRange(minimum, maximum); }

void TStepForm::setPosition(int position) { RebuildBar->setValue(position); }

void TStepForm::step()
{
    const int value = RebuildBar->value() < RebuildBar->minimum() ? RebuildBar->minimum() : RebuildBar->value();
    RebuildBar->setValue(qMin(value + 1, RebuildBar->maximum()));
    QApplication::processEvents();
}

void TStepForm::closeEvent(QCloseEvent* event)
{
    // The running function decides when the window goes, not the user.
    if (m_freeing)
        event->accept();
    else
        event->ignore();
}

void TStepForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

TStepForm* ShowStepForm(QWidget* owner)
{
    FreeStepForm();
    StepForm = new TStepForm(owner);
    // Freed with its owner: the shared reference must not outlive it.
    QObject::connect(StepForm, &QObject::destroyed, [form = StepForm] {
        if (StepForm == form)
            StepForm = nullptr;
    });
    StepForm->show();
    StepForm->raise();
    QApplication::processEvents();
    return StepForm;
}

void FreeStepForm()
{
    if (!StepForm)
        return;
    TStepForm* form = StepForm;
    StepForm = nullptr;
    form->m_freeing = true;
    form->close();
    delete form;
}
