#include "app/State.h"

#include "tags/id3/Unit2.h"

TrackTableArray TrackTable;
TrackTableArray BaselineTable;
int CurrentRowIndex = 0;
bool PlayingFlag = false;
bool PausedFlag = false;
int PlayingRowIndex = 0;
OGGTag SharedOGGTag;
WMATagRec SharedWMATag;

void ResetModuleState() {
    TrackTable.fill({});
    BaselineTable.fill({});
    CurrentRowIndex = 0;
    PlayingFlag = false;
    PausedFlag = false;
    PlayingRowIndex = 0;
    SharedOGGTag = {};
    SharedWMATag = {};
    ID3Tag = {};
}
