#include "map/map_pens.h"

#include "platform/dc.h"
#include "survey_files/survey_model.h"

void CreateMapPens(int recreate) {
    GdiObjectsRecord& g = GdiObjects;
    if (recreate == 1) {
        for (const plat::Hgdi o : {g.CursorPen, g.PositionPen, g.PositionBrush, g.PositionPenWide,
                                   g.BackgroundPenThin, g.BackgroundBrush, g.BackgroundPenMedium,
                                   g.BackgroundPenThick}) {
            if (o != 0) plat::DeleteObject(o);
        }
    }
    const Colour position = MapDisplayOptions.PositionColor;
    const Colour background = GdiObjectsRecord::BackgroundColor;
    g.CursorPen = plat::CreatePen(plat::kPenSolid, 1, MapDisplayOptions.CursorColor);
    g.PositionPen = plat::CreatePen(plat::kPenSolid, 1, position);
    g.PositionBrush = plat::CreateSolidBrush(position);
    g.PositionPenWide = plat::CreatePen(plat::kPenSolid, 2, position);
    g.BackgroundPenThin = plat::CreatePen(plat::kPenSolid, 1, background);
    g.BackgroundBrush = plat::CreateSolidBrush(background);
    g.BackgroundPenMedium = plat::CreatePen(plat::kPenSolid, 2, background);
    g.BackgroundPenThick = plat::CreatePen(plat::kPenSolid, 3, background);
    g.BackgroundPen = g.BackgroundPenThin;
}
