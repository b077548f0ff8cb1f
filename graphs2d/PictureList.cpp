#include "graphs2d/PictureList.h"

void PictureList::RemoveAt(int32_t i)
{
    FreeGlobalHandle(entries[i].picture);
    entries.RemoveAt(i);
}

void PictureList::FreeAll()
{
    for (PlacedPicture& placed : entries)
        FreeGlobalHandle(placed.picture);
    entries.Clear();
}
