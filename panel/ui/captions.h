#pragma once

class QWidget;

namespace dorvex::panel {

// Sets the caption of every control that carries a tag (the dynamic property "tag", holding
// a text number) from the string table of the language; tab captions come from their
// position (texts 11, 21, 31, 41). Anything that cannot be translated stays as it was.
void ApplyCaptions(QWidget& window, int languageCode);

// The property that holds a control's text number.
inline constexpr char kTagProperty[] = "tag";

}  // namespace dorvex::panel
