#pragma once
// What the benchmark programs share: the generated diaries, written once per
// run, and the real main frame opened on one of them as a user opens it.

#include "support/TestSupport.h"

#include <QString>

#include <memory>

class CurrReading;

// The diary sizes measured: 100 days, ten years, and every date of 2000..2099.
inline constexpr int kBenchSizes[] = {100, 3653, 36525};

// The file name of the diary of `days` days ("Bench 36525.bcl").
QString benchDiaryName(int days);

// A generated diary of `days` days from 2000-01-01 in a folder kept for the
// run; written the first time it is asked for. Returns its path.
QString benchDiary(int days);

// Copies the generated diary of `days` days into `folder` under its name,
// replacing what is there.
void placeBenchDiary(int days, const QString &folder);

// The real main frame (with fake messages that answer OK) on its own data
// folder holding the diary of `days` days, opened in the browser.
struct BenchDiary {
    explicit BenchDiary(int days);
    int days;
    TestApp app;
    CurrReading *browser = nullptr;
    QString path; // the diary in the app's data folder
};
