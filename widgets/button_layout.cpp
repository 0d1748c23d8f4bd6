// The gradient push button's arithmetic; see button_layout.h.
#include "widgets/button_layout.h"

namespace vermiq {

namespace {
std::uint8_t Blend(int from, int to, int y, int height) {
    // Signed and truncating toward zero, so a falling channel ends exactly on its end value.
    return static_cast<std::uint8_t>(from + (to - from) * y / (height - 1));
}
} // namespace

BtnRgb GradientRow(BtnRgb begin, BtnRgb end, int y, int height) {
    return {Blend(begin.r, end.r, y, height), Blend(begin.g, end.g, y, height), Blend(begin.b, end.b, y, height)};
}

std::vector<BtnRgb> GradientRows(BtnRgb begin, BtnRgb end, int height) {
    if (height <= 0) return {};
    if (height == 1) return {begin};
    std::vector<BtnRgb> rows;
    rows.reserve(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows.push_back(GradientRow(begin, end, y, height));
    return rows;
}

void MakeDisabledPixels(std::uint8_t* bits, int width, int height, std::ptrdiff_t stride) {
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = bits + y * stride;
        for (int x = 0; x < width; ++x, p += 3) {
            std::uint8_t grey = DisabledGrey(p[0], p[1], p[2]);
            p[0] = p[1] = p[2] = grey;
        }
    }
}

CaptionRows PlaceCaptionRows(const CaptionRowsInput& in) {
    CaptionRows out{};
    out.captionTop = in.captionTop;
    if (in.vertCenter) {
        out.y = !in.captionBEmpty ? (in.buttonHeight - 2 * in.heightA - in.lineSpace) / 2
                                  : (in.buttonHeight - in.heightA) / 2 + 1;
        out.captionTop = out.y;
        if (!in.captionAEmpty) {
            out.y2 = out.y + in.heightA + in.lineSpace;
        } else {
            // The second line stands alone: centred on its own height, without the first line's +1.
            out.y2 = (in.buttonHeight - in.heightB) / 2;
            out.captionTop = out.y2;
        }
    } else {
        out.y = in.captionTop;
        out.y2 = !in.captionAEmpty ? in.captionTop + in.heightA + in.lineSpace : in.captionTop;
    }
    return out;
}

CaptionLine PlanCaptionLine(const CaptionLineInput& in) {
    CaptionLine line{};
    line.alignment = in.alignment;
    if (line.alignment == TplBtnAlignment::taEven && in.units == 1) line.alignment = TplBtnAlignment::taCenter;
    int usable = 0;
    switch (line.alignment) {
    case TplBtnAlignment::taEven:
        line.x = in.left + 2;
        usable = in.buttonWidth - in.left - in.right - 4;
        line.anchor = TextAnchor::Left;
        break;
    case TplBtnAlignment::taLeft:
        line.x = in.left + 2;
        line.anchor = TextAnchor::Left;
        break;
    case TplBtnAlignment::taRight:
        line.x = in.buttonWidth - in.right - 2;
        line.anchor = TextAnchor::Right;
        break;
    case TplBtnAlignment::taCenter:
        line.x = in.buttonWidth / 2;
        line.anchor = TextAnchor::Center;
        break;
    }
    if (in.shifted) {
        line.x += 1;
        line.dy = 1;
    }
    if (line.alignment == TplBtnAlignment::taEven && in.units > 1) {
        int slack = usable - in.textWidth;
        line.gap = slack / (in.units - 1);
        line.rem = slack % (in.units - 1);
    }
    return line;
}

std::vector<int> EvenCharLefts(int x, std::span<const int> charWidths, int gap, int rem) {
    std::vector<int> lefts;
    lefts.reserve(charWidths.size());
    for (int w : charWidths) {
        lefts.push_back(x);
        x += w + gap;
        if (rem > 0) {
            ++x;
            --rem;
        } else if (rem < 0) {
            --x;
            ++rem;
        }
    }
    return lefts;
}

ButtonFrame ChooseFrame(TplButtonStyle style, TplBtnFrameType frameType, bool pressed) {
    switch (style) {
    case TplButtonStyle::bsNormal:
        return pressed ? ButtonFrame::PressedOutline : ButtonFrame::RaisedEdge;
    case TplButtonStyle::bsFlat:
        switch (frameType) {
        case TplBtnFrameType::bffFlat: return ButtonFrame::FlatBumpEdge;
        case TplBtnFrameType::bffEtched: return ButtonFrame::EtchedEdge;
        case TplBtnFrameType::bffBump: return ButtonFrame::BumpEdge;
        }
        break;
    case TplButtonStyle::bsFlatNoFrame:
    case TplButtonStyle::bsRoundRectNoFrame:
        return ButtonFrame::None;
    case TplButtonStyle::bsRoundRect:
        return ButtonFrame::RoundOutline;
    }
    return ButtonFrame::None;
}

FocusMark PlanFocusMark(TplButtonStyle style, TplBtnFrameType frameType, int width, int height, int roundCorner) {
    if (IsRoundStyle(style)) return {true, {2, 2, width - 2, height - 2}, roundCorner - 2};
    FocusMark mark{false, {2, 2, width - 2, height - 2}, 0};
    if (style == TplButtonStyle::bsFlat) {
        // Keeps the mark just inside the bump and etched frames.
        int grow = frameType == TplBtnFrameType::bffBump ? 1 : frameType == TplBtnFrameType::bffEtched ? -1 : 0;
        mark.rect.right += grow;
        mark.rect.bottom += grow;
    }
    return mark;
}

TShiftState ShiftStateFromKeyboard(std::span<const std::uint8_t, 256> keys) {
    struct KeyFlag {
        int key;
        TShiftState::Flag flag;
    };
    // Virtual-key codes: shift 16, menu (Alt) 18, control 17, mouse buttons 1, 2 and 4.
    static constexpr KeyFlag kMap[] = {{16, TShiftState::ssShift}, {18, TShiftState::ssAlt},
                                       {17, TShiftState::ssCtrl},  {1, TShiftState::ssLeft},
                                       {2, TShiftState::ssRight},  {4, TShiftState::ssMiddle}};
    TShiftState state;
    for (const auto& m : kMap)
        if (keys[static_cast<std::size_t>(m.key)] & 0x80) state.bits |= m.flag;
    return state;
}

MnemonicCaption SplitMnemonic(std::string_view caption) {
    MnemonicCaption out;
    auto lead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(caption[i]);
        if (c == '&' && i + 1 < caption.size()) {
            ++i;  // "&&" keeps the second "&"; "&x" marks the x
            if (caption[i] != '&' && out.underlined < 0) {
                out.underlined = static_cast<int>(out.shown.size());
                const bool wide = lead(static_cast<unsigned char>(caption[i])) && i + 1 < caption.size();
                out.underlinedBytes = wide ? 2 : 1;
            }
        }
        out.shown += caption[i];
        if (lead(static_cast<unsigned char>(caption[i])) && i + 1 < caption.size())
            out.shown += caption[++i];
    }
    return out;
}

} // namespace vermiq
