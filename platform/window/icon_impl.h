// The layer's side of an icon handle.
#pragma once

#include <QIcon>

struct IconData {
    QIcon icon;
};
