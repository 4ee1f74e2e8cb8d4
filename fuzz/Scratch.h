#pragma once
// A private folder for one fuzzing process, in memory where the system has
// such a folder, and writing one input into a file there.

#include <QString>

#include <cstddef>
#include <cstdint>

// The folder, made on first use and kept for the life of the process.
const QString &scratchFolder();

// Writes the input to `path`, replacing what was there; aborts if it cannot,
// since every later step would then test nothing.
void writeInput(const QString &path, const uint8_t *data, size_t size);

// Removes a file and the engine's journals beside it.
void removeWithJournals(const QString &path);
