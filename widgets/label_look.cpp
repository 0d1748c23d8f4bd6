// The presets of the shadowed label and the notifications that tie them to the settings.
#include "widgets/label_look.h"

#include <utility>

namespace vermiq {

ShadeOffset ShadeOffsets(TEsShadeDirection direction) {
    static constexpr ShadeOffset kOffsets[] = {
        {0, 0}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1},
    };
    const auto i = static_cast<std::size_t>(direction);
    return i < std::size(kOffsets) ? kOffsets[i] : ShadeOffset{0, 0};
}

void TEsCustomSettings::Assign(const TEsCustomSettings& source) {
    if (&source == this) return;
    graduateFromColor_ = source.graduateFromColor_;
    graduateStyle_ = source.graduateStyle_;
    highlightColor_ = source.highlightColor_;
    highlightDepth_ = source.highlightDepth_;
    highlightDirection_ = source.highlightDirection_;
    highlightStyle_ = source.highlightStyle_;
    shadowColor_ = source.shadowColor_;
    shadowDepth_ = source.shadowDepth_;
    shadowDirection_ = source.shadowDirection_;
    shadowStyle_ = source.shadowStyle_;
}

void TEsCustomSettings::EndUpdate() {
    updating_ = false;
    if (ColorNotify) ColorNotify(*this);
    if (ShapeNotify) ShapeNotify(*this);
}

EsLabelLook::EsLabelLook(Hooks hooks)
    : hooks_(std::move(hooks)),
      schemeColors_{{
          {0xFFFFFF, 0x000000, 0x808080}, // csCustom starts as a copy of csWindows
          {0xFFFFFF, 0x808080, 0x000000}, // csText
          {0xFFFFFF, 0x000000, 0x808080}, // csWindows
          {0xFFFFFF, 0x000000, 0xC0C0C0}, // csEmbossed
          {0x00FFFF, 0x000000, 0x008080}, // csGold
          {0xFFFF00, 0x800000, 0x808000}, // csSteel
      }},
      fontColor_(schemeColors_[static_cast<std::size_t>(TEsColorScheme::csWindows)].font) {
    const SchemeRow& windows = SchemeColors(TEsColorScheme::csWindows);
    settings_.SetHighlightColor(windows.highlight);
    settings_.SetShadowColor(windows.shadow);
    settings_.ColorNotify = [this](TEsCustomSettings&) { OnColorNotify(); };
    settings_.ShapeNotify = [this](TEsCustomSettings&) { OnShapeNotify(); };
}

void EsLabelLook::OnColorNotify() {
    if (loading_) return;
    Fire(hooks_.invalidate);
    if (!schemeChanging_) {
        colorScheme_ = TEsColorScheme::csCustom;
        Fire(hooks_.colorChanged);
    }
}

void EsLabelLook::OnShapeNotify() {
    if (loading_) return;
    Fire(hooks_.invalidate);
    if (!appearanceChanging_) {
        appearance_ = TEsAppearance::apCustom;
        Fire(hooks_.textChanged);
    }
}

void EsLabelLook::SetFontColor(EsColor value) {
    if (value == fontColor_) return;
    fontColor_ = value;
    Fire(hooks_.fontChanged);
}

void EsLabelLook::SetCustomSettings(const TEsCustomSettings& source) {
    settings_.Assign(source);
    // The copy itself is silent; the picture still has to follow it.
    if (!loading_) Fire(hooks_.invalidate);
}

void EsLabelLook::SetColorScheme(TEsColorScheme value) {
    if (value == colorScheme_) return;
    schemeChanging_ = true;
    colorScheme_ = value;
    const SchemeRow row = SchemeColors(value);
    settings_.BeginUpdate();
    settings_.SetHighlightColor(row.highlight);
    SetFontColor(row.font);
    settings_.SetShadowColor(row.shadow);
    if (value != TEsColorScheme::csCustom)
        schemeColors_[static_cast<std::size_t>(TEsColorScheme::csCustom)] = row;
    // The bracket ends with a shape notification as well: a scheme chosen at run time turns
    // the appearance into apCustom, though the geometry stays as it was.
    settings_.EndUpdate();
    schemeChanging_ = false;
    Fire(hooks_.textChanged);
}

void EsLabelLook::SetAppearance(TEsAppearance value) {
    using D = TEsShadeDirection;
    if (value == appearance_) return;
    appearanceChanging_ = true;
    appearance_ = value;
    const SchemeRow& row = SchemeColors(colorScheme_);
    settings_.BeginUpdate();
    settings_.SetHighlightColor(row.highlight);
    auto shape = [this](D highlight, D shadow, TEsDepth highlightDepth, TEsDepth shadowDepth) {
        settings_.SetHighlightDirection(highlight);
        settings_.SetShadowDirection(shadow);
        settings_.SetHighlightDepth(highlightDepth);
        settings_.SetShadowDepth(shadowDepth);
    };
    switch (value) {
    case TEsAppearance::apNone: shape(D::sdNone, D::sdNone, 0, 0); break;
    case TEsAppearance::apCustom: break;
    case TEsAppearance::apFlying:
        shape(D::sdDownRight, D::sdDownRight, 1, 5);
        settings_.SetHighlightColor(row.shadow);
        break;
    case TEsAppearance::apRaised: shape(D::sdUpLeft, D::sdDownRight, 1, 1); break;
    case TEsAppearance::apSunken: shape(D::sdDownRight, D::sdUpLeft, 1, 1); break;
    case TEsAppearance::apShadow: shape(D::sdNone, D::sdDownRight, 0, 2); break;
    }
    // Likewise the colour notification at the end turns the scheme into csCustom.
    settings_.EndUpdate();
    appearanceChanging_ = false;
    Fire(hooks_.textChanged);
}

} // namespace vermiq
