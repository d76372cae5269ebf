#include "tests/grid/grid_fixture.h"

#include <QCoreApplication>

namespace grid_test {
void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}
}  // namespace grid_test
