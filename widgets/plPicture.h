// The picture a gradient push button shows: an owned icon, bitmap or enhanced metafile.
// Assigning copies the graphic, so the caller keeps its own handle.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

namespace vermiq {

class TPicture {
public:
    enum class Kind { Empty, Icon, Bitmap, Metafile };

    TPicture() = default;
    TPicture(const TPicture& other);
    TPicture& operator=(const TPicture& other);
    ~TPicture();

    void Clear();
    // Each stores a copy of the given graphic; a null handle empties the picture.
    void AssignIcon(HICON icon);
    void AssignBitmap(HBITMAP bitmap);
    void AssignMetafile(HENHMETAFILE metafile);

    Kind GraphicKind() const { return kind_; }
    bool Empty() const { return kind_ == Kind::Empty; }
    HICON Icon() const { return kind_ == Kind::Icon ? static_cast<HICON>(handle_) : nullptr; }
    HBITMAP Bitmap() const { return kind_ == Kind::Bitmap ? static_cast<HBITMAP>(handle_) : nullptr; }
    HENHMETAFILE Metafile() const { return kind_ == Kind::Metafile ? static_cast<HENHMETAFILE>(handle_) : nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void Take(Kind kind, void* handle);
    Kind kind_ = Kind::Empty;
    void* handle_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace vermiq
