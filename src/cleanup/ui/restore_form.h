#pragma once
#include "app/function_window.h"
#include "cleanup/write_back_backup.h"

#include <QList>

class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;
class ReportMemo;
class TEndYearDataMod;


// 重复数据清理写回恢复: the backups of earlier write-backs and the restore of a chosen one.
class TRestoreForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TRestoreForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    // The folder listed (the program's backups folder unless a test sets another).
    void setFolder(const QString& folder);
    void refresh();
    void BtnRestoreClick();

    QTabWidget* Pages = nullptr;
    QLabel* FolderLabel = nullptr;
    QTableWidget* BackupGrid = nullptr;
    QPushButton* BtnRestore = nullptr;
    QPushButton* BtnRefresh = nullptr;
    QPushButton* BtnClose = nullptr;
    ReportMemo* RestoreMemo = nullptr;

private:
    QString m_folder;
    QList<BackupInfo> m_backups;
};
