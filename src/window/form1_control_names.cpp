// The names a screen reader reads for the controls that show no text of their own.
#include "languages/language_keys.h"
#include "window/form1.h"

namespace qly {

void Form1::NameControls() {
    const int32_t charset = run_.language().LangCharset;
    StandAlone([&] {
        Command2.setAccessibleName(LangTextOrBuiltIn(run_.language(), "zamknij"), charset);
    });
    StandAlone([&] {
        Command3.setAccessibleName(LangTextOrBuiltIn(run_.language(), "minimalizuj"), charset);
    });
    // A link area is named by what it opens; one without a link does nothing and has no name.
    const std::string open = LangTextOrBuiltIn(run_.language(), "otworz");
    const auto linkName = [&](const std::string& link) {
        return link.empty() ? std::string() : open + " " + link;
    };
    StandAlone([&] { Image1.setAccessibleName(linkName(linkright), charset); });
    StandAlone([&] { Image2.setAccessibleName(linkName(linkleft), charset); });
}

} // namespace qly
