#include "game/key_values.h"

#include "common/ascii_case.h"

#include <optional>

namespace qly {

namespace {

struct Token {
    enum Kind { Text, Open, Close, End } kind = End;
    std::string text;
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    Token next() {
        for (;;) {
            skipBlanks();
            if (at_ >= text_.size()) {
                return {};
            }
            const char c = text_[at_];
            if (c == '/' && at_ + 1 < text_.size() && text_[at_ + 1] == '/') {
                const std::size_t end = text_.find('\n', at_);
                at_ = end == std::string_view::npos ? text_.size() : end + 1;
                continue;
            }
            if (c == '{' || c == '}') {
                ++at_;
                return {c == '{' ? Token::Open : Token::Close, {}};
            }
            if (c == '[') {
                // A platform condition ("[$WIN32]") applies to the entry before it: ignored.
                const std::size_t end = text_.find(']', at_);
                at_ = end == std::string_view::npos ? text_.size() : end + 1;
                continue;
            }
            return {Token::Text, c == '"' ? quoted() : bare()};
        }
    }

private:
    void skipBlanks() {
        while (at_ < text_.size() && isBlank(text_[at_])) {
            ++at_;
        }
    }
    static bool isBlank(char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    }

    std::string quoted() {
        std::string out;
        for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
            char c = text_[at_];
            if (c == '\\' && at_ + 1 < text_.size()) {
                c = text_[++at_];
                c = c == 'n' ? '\n' : (c == 't' ? '\t' : c);
            }
            out += c;
        }
        ++at_; // the closing quote, or past the end
        return out;
    }

    std::string bare() {
        const std::size_t start = at_;
        while (at_ < text_.size() && !isBlank(text_[at_]) && text_[at_] != '"' &&
               text_[at_] != '{' && text_[at_] != '}') {
            ++at_;
        }
        return std::string(text_.substr(start, at_ - start));
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

const KeyValues* KeyValues::child(std::string_view wanted) const {
    const std::string lowered = AsciiLowerCase(std::string(wanted));
    for (const KeyValues& entry : children) {
        if (AsciiLowerCase(entry.key) == lowered) {
            return &entry;
        }
    }
    return nullptr;
}

std::string KeyValues::valueOf(std::string_view wanted) const {
    const KeyValues* entry = child(wanted);
    return entry != nullptr && !entry->section ? entry->value : std::string();
}

KeyValues ParseKeyValues(std::string_view text) {
    KeyValues root;
    root.section = true;
    // The open sections, innermost last; sections deeper than the limit are counted, not kept.
    std::vector<KeyValues> open;
    int dropped = 0;
    Tokenizer tokens(text);
    std::optional<std::string> key;

    const auto innermost = [&]() -> KeyValues& { return open.empty() ? root : open.back(); };
    const auto closeSection = [&] {
        if (dropped > 0) {
            --dropped;
        } else if (!open.empty()) {
            KeyValues done = std::move(open.back());
            open.pop_back();
            innermost().children.push_back(std::move(done));
        }
    };

    for (Token token = tokens.next(); token.kind != Token::End; token = tokens.next()) {
        switch (token.kind) {
        case Token::Text:
            if (!key) {
                key = std::move(token.text);
            } else {
                if (dropped == 0) {
                    innermost().children.push_back(
                        {std::move(*key), std::move(token.text), {}, false});
                }
                key.reset();
            }
            break;
        case Token::Open:
            if (dropped > 0 || static_cast<int>(open.size()) >= kMaxKeyValuesDepth) {
                ++dropped;
            } else {
                open.push_back({key.value_or(std::string()), {}, {}, true});
            }
            key.reset();
            break;
        case Token::Close:
            key.reset();
            closeSection();
            break;
        case Token::End:
            break;
        }
    }
    while (!open.empty()) {
        dropped = 0;
        closeSection();
    }
    return root;
}

} // namespace qly
