#include "core/ReadingKind.h"

const std::array<ReadingKind, kReadingKinds> &readingKinds()
{
    static const std::array<ReadingKind, kReadingKinds> kinds{{
        {"Bfast", "Pre-Breakfast:", "mnuGraphsPreBfast", "&Pre-Breakfast", "BfastLine", "Pre-Breakfast"},
        {"Afast", "After Breakfast:", "mnuGraphsAfastLine", "&After Breakfast", "AfastLine", "After Breakfast"},
        {"Blunch", "Pre-Lunch:", "mnuGraphsPreLunch", "Pre-&Lunch", "BlunchLine", "Pre-Lunch"},
        {"Alunch", "After Lunch:", "mnuGraphsAlunchLine", "A&fter Lunch", "AlunchLine", "After Lunch"},
        {"Bdinner", "Pre-Dinner:", "mnuGraphsBdinnerLine", "Pre-&Dinner", "BdinnerLine", "Pre-Dinner"},
        {"Adinner", "After Dinner:", "mnuGraphsAdinnerLine", "Af&ter Dinner", "AdinnerLine", "After Dinner"},
        {"Bedtime", "Bedtime:", "mnuGraphasBedTimeLine", "&Bedtime", "BtimeLine", "Bedtime"},
        {"Night", "Night:", "mnuGrphsNightLine", "&Night", "NightLine", "Night"},
    }};
    return kinds;
}
