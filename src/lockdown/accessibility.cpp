#include "lockdown/accessibility.h"

#include <charconv>
#include <string>

namespace lanthe {

namespace {

constexpr AccessibilityFeature kFeatures[] = {AccessibilityFeature::kStickyKeys, AccessibilityFeature::kFilterKeys,
                                              AccessibilityFeature::kToggleKeys, AccessibilityFeature::kHighContrast,
                                              AccessibilityFeature::kMouseKeys};

std::optional<std::uint32_t> DecimalOf(TextView text) {
  std::string ascii;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ascii.empty() || error != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
  return value;
}

}  // namespace

TextView AccessibilityKey(AccessibilityFeature feature) {
  switch (feature) {
    case AccessibilityFeature::kStickyKeys: return u"Control Panel\\Accessibility\\StickyKeys";
    case AccessibilityFeature::kFilterKeys: return u"Control Panel\\Accessibility\\Keyboard Response";
    case AccessibilityFeature::kToggleKeys: return u"Control Panel\\Accessibility\\ToggleKeys";
    case AccessibilityFeature::kHighContrast: return u"Control Panel\\Accessibility\\HighContrast";
    case AccessibilityFeature::kMouseKeys: return u"Control Panel\\Accessibility\\MouseKeys";
  }
  return u"";
}

std::vector<AccessibilityFeature> SwitchOffAccessibilityHotkeys(IRegistry& registry, IDesktop& desktop) {
  std::vector<AccessibilityFeature> switched;
  for (const AccessibilityFeature feature : kFeatures) {
    const auto key = registry.OpenKey(RegistryRoot::CurrentUser, AccessibilityKey(feature));
    if (!key) continue;
    const auto text = ReadStringValue(*key, u"Flags");
    const auto flags = text ? DecimalOf(*text) : std::nullopt;
    // A value that is not a number is Windows' to read, not ours to rewrite.
    if (!flags || (*flags & kAccessibilityHotkeyBit) == 0) continue;
    if (key->WriteString(u"Flags", IntToText(*flags & ~kAccessibilityHotkeyBit))) switched.push_back(feature);
  }
  if (!switched.empty()) desktop.SwitchOffAccessibilityHotkeys(switched);
  return switched;
}

}  // namespace lanthe
