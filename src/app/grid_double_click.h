#pragma once

#include <QObject>
#include <functional>

namespace brivo {

class FlexGrid;

// Runs `act` on a left double click anywhere in the grid, its heading row included, as the
// window's own grids export on one. The filter belongs to the grid.
void OnDoubleClick(FlexGrid* grid, std::function<void()> act);

}  // namespace brivo
