// The names a screen reader reads for the controls that show no text of their own.
#include "languages/language_keys.h"
#include "window/form1.h"

namespace qly {

void Form1::NameControls() {
    const int32_t charset = lang_.LangCharset;
    StandAlone([&] { Command2.setAccessibleName(LangTextOrBuiltIn(lang_, "zamknij"), charset); });
    StandAlone(
        [&] { Command3.setAccessibleName(LangTextOrBuiltIn(lang_, "minimalizuj"), charset); });
    // A link area is named by what it opens; one without a link does nothing and has no name.
    const std::string open = LangTextOrBuiltIn(lang_, "otworz");
    const auto linkName = [&](const std::string& link) {
        return link.empty() ? std::string() : open + " " + link;
    };
    StandAlone([&] { Image1.setAccessibleName(linkName(linkright), charset); });
    StandAlone([&] { Image2.setAccessibleName(linkName(linkleft), charset); });
}

} // namespace qly
