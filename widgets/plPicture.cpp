// The gradient push button's picture; see plPicture.h.
#include "widgets/plPicture.h"

#include "common/win32_raii.h"

namespace vermiq {

namespace {
void* CopyGraphic(TPicture::Kind kind, void* handle) {
    if (!handle) return nullptr;
    switch (kind) {
    case TPicture::Kind::Icon: return CopyIcon(static_cast<HICON>(handle));
    case TPicture::Kind::Bitmap: return CopyImage(handle, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    case TPicture::Kind::Metafile: return CopyEnhMetaFile(static_cast<HENHMETAFILE>(handle), nullptr);
    case TPicture::Kind::Empty: break;
    }
    return nullptr;
}
} // namespace

TPicture::TPicture(const TPicture& other) { Take(other.kind_, CopyGraphic(other.kind_, other.handle_)); }

TPicture& TPicture::operator=(const TPicture& other) {
    if (this != &other) Take(other.kind_, CopyGraphic(other.kind_, other.handle_));
    return *this;
}

TPicture::~TPicture() { Clear(); }

void TPicture::Clear() {
    switch (kind_) {
    case Kind::Icon: DestroyIcon(static_cast<HICON>(handle_)); break;
    case Kind::Bitmap: DeleteObject(static_cast<HBITMAP>(handle_)); break;
    case Kind::Metafile: DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle_)); break;
    case Kind::Empty: break;
    }
    kind_ = Kind::Empty;
    handle_ = nullptr;
    width_ = height_ = 0;
}

void TPicture::AssignIcon(HICON icon) { Take(Kind::Icon, CopyGraphic(Kind::Icon, icon)); }
void TPicture::AssignBitmap(HBITMAP bitmap) { Take(Kind::Bitmap, CopyGraphic(Kind::Bitmap, bitmap)); }
void TPicture::AssignMetafile(HENHMETAFILE metafile) { Take(Kind::Metafile, CopyGraphic(Kind::Metafile, metafile)); }

void TPicture::Take(Kind kind, void* handle) {
    Clear();
    if (!handle) return;
    kind_ = kind;
    handle_ = handle;
    switch (kind) {
    case Kind::Icon: {
        ICONINFO info{};
        if (GetIconInfo(static_cast<HICON>(handle), &info)) {
            win32::GdiObject<HBITMAP> color(info.hbmColor), mask(info.hbmMask);
            BITMAP bm{};
            // A monochrome icon keeps its image and mask stacked in one bitmap of double height.
            if (color && GetObject(color.get(), sizeof bm, &bm)) {
                width_ = bm.bmWidth;
                height_ = bm.bmHeight;
            } else if (mask && GetObject(mask.get(), sizeof bm, &bm)) {
                width_ = bm.bmWidth;
                height_ = bm.bmHeight / 2;
            }
        }
        break;
    }
    case Kind::Bitmap: {
        BITMAP bm{};
        if (GetObject(static_cast<HBITMAP>(handle), sizeof bm, &bm)) {
            width_ = bm.bmWidth;
            height_ = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
        }
        break;
    }
    case Kind::Metafile: {
        ENHMETAHEADER header{};
        if (GetEnhMetaFileHeader(static_cast<HENHMETAFILE>(handle), sizeof header, &header)) {
            width_ = header.rclBounds.right - header.rclBounds.left + 1;
            height_ = header.rclBounds.bottom - header.rclBounds.top + 1;
        }
        break;
    }
    case Kind::Empty: break;
    }
}

} // namespace vermiq
