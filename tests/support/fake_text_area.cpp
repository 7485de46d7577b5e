#include "fake_text_area.h"

namespace qly::test {

namespace {
const std::string kTekst = "Tekst:";
const std::string kBar = "Bar:";
} // namespace

void FakeTextArea::Tekst(std::string sss) {
    calls_.push_back(kTekst + sss);
    loop_.yield();
}

void FakeTextArea::Cls() {
    calls_.push_back("Cls");
    loop_.yield();
}

void FakeTextArea::Bar(int16_t proc) {
    calls_.push_back(kBar + std::to_string(proc));
}

void FakeTextArea::SetFontCharset(int32_t charset) {
    charset_ = charset;
    calls_.push_back("Charset:" + std::to_string(charset));
}

std::vector<std::string> FakeTextArea::shown() const {
    std::vector<std::string> lines;
    for (const std::string& call : calls_) {
        if (call == "Cls") {
            lines.clear();
        } else if (call.starts_with(kTekst)) {
            lines.push_back(call.substr(kTekst.size()));
        }
    }
    return lines;
}

std::vector<int> FakeTextArea::bars() const {
    std::vector<int> out;
    for (const std::string& call : calls_) {
        if (call.starts_with(kBar)) {
            out.push_back(std::stoi(call.substr(kBar.size())));
        }
    }
    return out;
}

} // namespace qly::test
