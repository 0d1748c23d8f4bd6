// The shadowed label's look without any window: its settings object and the two presets
// (geometry and colours) that rewrite those settings and pull on each other.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "widgets/colors.h"

namespace vermiq {

using EsColor = TColor;
namespace es_colors = colors;

inline constexpr std::uint8_t RedOf(EsColor c) { return static_cast<std::uint8_t>(c); }
inline constexpr std::uint8_t GreenOf(EsColor c) { return static_cast<std::uint8_t>(c >> 8); }
inline constexpr std::uint8_t BlueOf(EsColor c) { return static_cast<std::uint8_t>(c >> 16); }
inline constexpr EsColor MakeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<EsColor>(r) | static_cast<EsColor>(g) << 8 | static_cast<EsColor>(b) << 16;
}

enum class TEsAppearance : std::uint8_t {
    apNone, apCustom, apFlying, apRaised, apSunken, apShadow
};
enum class TEsColorScheme : std::uint8_t {
    csCustom, csText, csWindows, csEmbossed, csGold, csSteel
};
enum class TEsShadeDirection : std::uint8_t {
    sdNone, sdUp, sdUpRight, sdRight, sdDownRight, sdDown, sdDownLeft, sdLeft, sdUpLeft
};
enum class TEsShadeStyle : std::uint8_t { ssPlain, ssExtrude, ssGraduated };
enum class TEsGraduateStyle : std::uint8_t { gsNone, gsHorizontal, gsVertical };
using TEsDepth = std::uint8_t;

struct ShadeOffset {
    int dx;
    int dy;
};
// Unit step of a direction, y growing downwards.
ShadeOffset ShadeOffsets(TEsShadeDirection direction);

// Ten values that say how the shadow, the highlight and the face are drawn. Each change tells
// the owner, colours through ColorNotify and geometry through ShapeNotify, unless an update
// bracket holds the notifications back.
class TEsCustomSettings {
public:
    using Notify = std::function<void(TEsCustomSettings&)>;

    TEsCustomSettings() = default;
    // The notifications are bound to one owner; a copy would call the wrong one.
    TEsCustomSettings(const TEsCustomSettings&) = delete;
    TEsCustomSettings& operator=(const TEsCustomSettings&) = delete;

    // Copies the ten values and tells nobody.
    void Assign(const TEsCustomSettings& source);

    EsColor GraduateFromColor() const { return graduateFromColor_; }
    TEsGraduateStyle GraduateStyle() const { return graduateStyle_; }
    EsColor HighlightColor() const { return highlightColor_; }
    TEsDepth HighlightDepth() const { return highlightDepth_; }
    TEsShadeDirection HighlightDirection() const { return highlightDirection_; }
    TEsShadeStyle HighlightStyle() const { return highlightStyle_; }
    EsColor ShadowColor() const { return shadowColor_; }
    TEsDepth ShadowDepth() const { return shadowDepth_; }
    TEsShadeDirection ShadowDirection() const { return shadowDirection_; }
    TEsShadeStyle ShadowStyle() const { return shadowStyle_; }

    void SetGraduateFromColor(EsColor v) { Set(graduateFromColor_, v, ColorNotify); }
    void SetGraduateStyle(TEsGraduateStyle v) { Set(graduateStyle_, v, ShapeNotify); }
    void SetHighlightColor(EsColor v) { Set(highlightColor_, v, ColorNotify); }
    void SetHighlightDepth(TEsDepth v) { Set(highlightDepth_, v, ShapeNotify); }
    void SetHighlightDirection(TEsShadeDirection v) { Set(highlightDirection_, v, ShapeNotify); }
    void SetHighlightStyle(TEsShadeStyle v) { Set(highlightStyle_, v, ShapeNotify); }
    void SetShadowColor(EsColor v) { Set(shadowColor_, v, ColorNotify); }
    void SetShadowDepth(TEsDepth v) { Set(shadowDepth_, v, ShapeNotify); }
    void SetShadowDirection(TEsShadeDirection v) { Set(shadowDirection_, v, ShapeNotify); }
    void SetShadowStyle(TEsShadeStyle v) { Set(shadowStyle_, v, ShapeNotify); }

    void BeginUpdate() { updating_ = true; }
    // Fires both notifications, colour first, whether or not anything changed meanwhile.
    void EndUpdate();

    Notify ColorNotify;
    Notify ShapeNotify;

private:
    template <class T>
    void Set(T& field, T value, const Notify& notify) {
        if (field == value) return;
        field = value;
        if (!updating_ && notify) notify(*this);
    }

    EsColor graduateFromColor_ = 0x808080;
    TEsGraduateStyle graduateStyle_ = TEsGraduateStyle::gsNone;
    EsColor highlightColor_ = 0xFFFFFF;
    TEsDepth highlightDepth_ = 1;
    TEsShadeDirection highlightDirection_ = TEsShadeDirection::sdUpLeft;
    TEsShadeStyle highlightStyle_ = TEsShadeStyle::ssPlain;
    EsColor shadowColor_ = 0x000000;
    TEsDepth shadowDepth_ = 1;
    TEsShadeDirection shadowDirection_ = TEsShadeDirection::sdDownRight;
    TEsShadeStyle shadowStyle_ = TEsShadeStyle::ssPlain;
    bool updating_ = false;
};

struct SchemeRow {
    EsColor highlight;
    EsColor shadow;
    EsColor font;
};

// The label's look: the presets, the colour table behind them, the owned settings and the
// face (font) colour. What a change means to a window is left to the hooks, so that the
// interplay of the presets can be followed without one.
class EsLabelLook {
public:
    struct Hooks {
        std::function<void()> invalidate;   // the picture changed
        std::function<void()> colorChanged; // the label's colour notification
        std::function<void()> textChanged;  // the label's text notification (re-measure)
        std::function<void()> fontChanged;  // the face colour changed
    };

    explicit EsLabelLook(Hooks hooks = {});
    EsLabelLook(const EsLabelLook&) = delete;
    EsLabelLook& operator=(const EsLabelLook&) = delete;

    TEsAppearance Appearance() const { return appearance_; }
    void SetAppearance(TEsAppearance value);
    TEsColorScheme ColorScheme() const { return colorScheme_; }
    void SetColorScheme(TEsColorScheme value);

    TEsCustomSettings& CustomSettings() { return settings_; }
    const TEsCustomSettings& CustomSettings() const { return settings_; }
    // Takes the ten values over; the presets stay as they are.
    void SetCustomSettings(const TEsCustomSettings& source);

    EsColor FontColor() const { return fontColor_; }
    void SetFontColor(EsColor value);

    const SchemeRow& SchemeColors(TEsColorScheme scheme) const {
        return schemeColors_[static_cast<std::size_t>(scheme)];
    }

    // While a stored look is being restored the presets and the settings keep what they are
    // given instead of overriding each other.
    void BeginLoading() { loading_ = true; }
    void EndLoading() { loading_ = false; }
    bool Loading() const { return loading_; }

private:
    void OnColorNotify();
    void OnShapeNotify();
    static void Fire(const std::function<void()>& hook) {
        if (hook) hook();
    }

    Hooks hooks_;
    std::array<SchemeRow, 6> schemeColors_;
    TEsAppearance appearance_ = TEsAppearance::apRaised;
    TEsColorScheme colorScheme_ = TEsColorScheme::csWindows;
    TEsCustomSettings settings_;
    EsColor fontColor_;
    bool schemeChanging_ = false;
    bool appearanceChanging_ = false;
    bool loading_ = false;
};

} // namespace vermiq
