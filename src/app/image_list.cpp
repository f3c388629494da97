#include "app/image_list.h"

#include <QStringList>

static void loadAppResources() { Q_INIT_RESOURCE(app); }

namespace {
void ensureResources()
{
    static const bool loaded = (loadAppResources(), true);
    Q_UNUSED(loaded);
}
}

QIcon imageListIcon(int index)
{
    static const char* const names[ImageListCount] = {"0_reindex", "1_droptemp", "2_optibb", "3_close",
        "4_optihz", "5_redefault", "6_register", "7_bbex", "8_check", "9_cells", "10_restore"};
    if (index < 0 || index >= ImageListCount)
        return {};
    ensureResources();
    return QIcon(QStringLiteral(":/app/icons/%1.png").arg(QLatin1String(names[index])));
}

QPixmap loginPicture()
{
    ensureResources();
    return QPixmap(QStringLiteral(":/app/icons/login.png"));
}

QIcon programIcon()
{
    ensureResources();
    return QIcon(QStringLiteral(":/app/icons/program.png"));
}
