#pragma once
#include <QString>

// One system's part of a run of the utility windows: whether its check box is ticked and
// its year suffix ("" for the current year).
struct SystemYear {
    bool chosen = true;
    QString suffix;
};
