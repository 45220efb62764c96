// Scenes, for now: each fetches its pictures and clears with its colour.
#include "clips/part_clips.h"

namespace {
const float kBlack[4] = {0, 0, 0, 0};
const float kRed[4] = {1, 0, 0, 0};
const float kWhite[4] = {1, 1, 1, 0};
}  // namespace

void Part_Clips::scene0() { beginScene(0, kBlack); }
void Part_Clips::scene10() { beginScene(10, kBlack); }
void Part_Clips::scene20() { beginScene(20, kBlack); }
void Part_Clips::scene30() { beginScene(30, kBlack); }
void Part_Clips::scene40() { beginScene(40, kBlack); }
void Part_Clips::scene50() { beginScene(50, kBlack); }
void Part_Clips::scene60() { beginScene(60, kBlack); }
void Part_Clips::scene70() { beginScene(70, kBlack); }
void Part_Clips::scene80() { beginScene(80, kBlack); }
void Part_Clips::scene90() { beginScene(90, kBlack); }
void Part_Clips::scene100() { beginScene(100, kBlack); }
void Part_Clips::scene110() { beginScene(110, kBlack); }
void Part_Clips::scene120() { beginScene(120, kBlack); }
void Part_Clips::scene130() { beginScene(130, kBlack); }
void Part_Clips::scene150() { beginScene(150, kBlack); }
void Part_Clips::scene160() { beginScene(160, kBlack); }
void Part_Clips::scene170() { beginScene(170, kBlack); }
void Part_Clips::scene180() { beginScene(180, kRed); }
void Part_Clips::scene190() { beginScene(190, kRed); }
void Part_Clips::scene220() { beginScene(220, kBlack); }
void Part_Clips::scene280() { beginScene(280, kWhite); }
void Part_Clips::scene300() { beginScene(300, kWhite); }
void Part_Clips::scene330() { beginScene(330, kWhite); }
void Part_Clips::scene380() { beginScene(380, kWhite); }
void Part_Clips::scene500() { beginScene(500, kRed); }
