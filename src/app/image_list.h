#pragma once
#include <QIcon>
#include <QPixmap>

// The tool bar's image list: eleven 16 x 16 icons, by index.
//   0 index rebuild, 1 temp-table purge, 2 report-management cleanup, 3 exit,
//   4 report-summary cleanup, 5 default-value rebuild, 6 control registration,
//   7 extension-table cleanup, 8 year-end check, 9 irregular cells, 10 write-back restore.
constexpr int ImageListCount = 11;
QIcon imageListIcon(int index);
// The picture of the login window and the program's icon.
QPixmap loginPicture();
QIcon programIcon();
