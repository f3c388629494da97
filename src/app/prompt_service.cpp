#include "app/prompt_service.h"

#include "data_module/database_error.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
PromptService* g_installed = nullptr;

QWidget* activeParent()
{
    QWidget* w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    return w;
}
}

PromptService& PromptService::instance()
{
    static WidgetPromptService real;
    return g_installed ? *g_installed : real;
}

void PromptService::install(PromptService* service) { g_installed = service; }

PromptAnswer WidgetPromptService::message(const QString& text, const QString& caption, PromptIcon icon,
    PromptButtons buttons)
{
    QMessageBox box(activeParent());
    box.setText(text);
    box.setWindowTitle(caption);
    switch (icon) {
    case PromptIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case PromptIcon::Information: box.setIcon(QMessageBox::Information); break;
    case PromptIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case PromptIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case PromptIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case PromptButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case PromptButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case PromptButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case PromptButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Cancel: return PromptAnswer::Cancel;
    default: return PromptAnswer::Ok;
    }
}

QString WidgetPromptService::saveFileName(const QString& defaultSuffix, const QString& filter)
{
    QFileDialog dialog(activeParent());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString WidgetPromptService::openFileName(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(activeParent(), caption, QString(), filter);
}

QString WidgetPromptService::folder(const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(activeParent(), caption, start);
}
