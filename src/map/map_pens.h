// The map's drawing objects, made from the map display options: the cursor
// pen, the position pens and brush, and the background-file pens and brush in
// their constant colour (GdiObjects.BackgroundColor). All solid.
#pragma once

// With `recreate` 1 the previous set is deleted first (the options changed).
void CreateMapPens(int recreate);
