#pragma once
// The system clipboard, as far as the program uses it: clear it, put a
// picture on it, take the picture back.

#include <QPicture>

#include <optional>

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    // Puts a vector picture on the clipboard (other programs get it as an image).
    virtual void setPicture(const QPicture &picture) = 0;
    // The picture on the clipboard, if it holds one.
    virtual std::optional<QPicture> picture() const = 0;
};
