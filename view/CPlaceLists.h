#pragma once

#include <QStringList>

// The fixed choices of the State and Country boxes, in the order they are added to the boxes.
class CPlaceLists {
public:
    // 63 state and territory codes.
    static QStringList States();
    // 236 countries and territories.
    static QStringList Countries();
};
