#include "app/State.h"

TrackTableArray TrackTable;
TrackTableArray BaselineTable;
int CurrentRowIndex = 0;
bool PlayingFlag = false;
bool PausedFlag = false;
int PlayingRowIndex = 0;

void ResetModuleState() {
    TrackTable.fill({});
    BaselineTable.fill({});
    CurrentRowIndex = 0;
    PlayingFlag = false;
    PausedFlag = false;
    PlayingRowIndex = 0;
}
