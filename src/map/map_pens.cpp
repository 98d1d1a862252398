#include "map/map_pens.h"

void CreateMapPens(int) {}
