#pragma once
// The system clipboard on Qt. A picture travels as the program's own vector
// format, beside a bitmap of it for other programs.

#include "platform/Clipboard.h"

#include <QString>

class QtClipboard final : public Clipboard {
public:
    void clear() override;
    void setPicture(const QPicture &picture) override;
    std::optional<QPicture> picture() const override;

    // The clipboard format that carries the vector picture.
    static QString pictureFormat();
};
