#include "common/decimal_number.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace qly {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index after the run of digits starting at i.
std::size_t skipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    return i;
}

bool isDecimalSyntax(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        ++i;
    }
    const std::size_t intEnd = skipDigits(text, i);
    std::size_t digits = intEnd - i;
    i = intEnd;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracEnd = skipDigits(text, i + 1);
        digits += fracEnd - (i + 1);
        i = fracEnd;
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t expEnd = skipDigits(text, i);
        if (expEnd == i) {
            return false;
        }
        i = expEnd;
    }
    return i == text.size();
}

// A non-negative integer of any size, as much as the exact conversion needs: little-endian
// 32-bit limbs, no leading zero limbs.
class BigNumber {
public:
    explicit BigNumber(uint32_t value) {
        if (value != 0) {
            limbs_.push_back(value);
        }
    }

    // this = this * factor + addend.
    void multiplyAdd(uint32_t factor, uint32_t addend) {
        uint64_t carry = addend;
        for (uint32_t& limb : limbs_) {
            const uint64_t product = uint64_t{limb} * factor + carry;
            limb = static_cast<uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<uint32_t>(carry));
        }
    }

    void multiplyByPowerOf10(int32_t exponent) {
        for (; exponent >= 9; exponent -= 9) {
            multiplyAdd(1000000000, 0);
        }
        for (; exponent > 0; --exponent) {
            multiplyAdd(10, 0);
        }
    }

    void shiftLeft(int32_t bits) {
        if (limbs_.empty() || bits == 0) {
            return;
        }
        const int32_t words = bits / 32;
        const int32_t rest = bits % 32;
        if (rest != 0) {
            uint32_t carry = 0;
            for (uint32_t& limb : limbs_) {
                const uint32_t next = limb >> (32 - rest);
                limb = (limb << rest) | carry;
                carry = next;
            }
            if (carry != 0) {
                limbs_.push_back(carry);
            }
        }
        limbs_.insert(limbs_.begin(), static_cast<std::size_t>(words), 0);
    }

    // this = this - other; other must not be larger.
    void subtract(const BigNumber& other) {
        int64_t borrow = 0;
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            int64_t difference = int64_t{limbs_[i]} - borrow;
            if (i < other.limbs_.size()) {
                difference -= other.limbs_[i];
            }
            borrow = difference < 0 ? 1 : 0;
            limbs_[i] = static_cast<uint32_t>(difference + (borrow << 32));
        }
        while (!limbs_.empty() && limbs_.back() == 0) {
            limbs_.pop_back();
        }
    }

    int32_t bitLength() const {
        if (limbs_.empty()) {
            return 0;
        }
        return static_cast<int32_t>(32 * (limbs_.size() - 1)) + std::bit_width(limbs_.back());
    }

    friend std::strong_ordering operator<=>(const BigNumber& a, const BigNumber& b) {
        if (a.limbs_.size() != b.limbs_.size()) {
            return a.limbs_.size() <=> b.limbs_.size();
        }
        return std::lexicographical_compare_three_way(a.limbs_.rbegin(), a.limbs_.rend(),
                                                      b.limbs_.rbegin(), b.limbs_.rend());
    }

private:
    std::vector<uint32_t> limbs_;
};

// Significant digits beyond these cannot change the rounding once the rest is kept as one
// sticky non-zero digit: a double's halfway points have at most 767 of them.
constexpr std::size_t kMaxDigits = 800;
// A written exponent this large outweighs the places any text's digits can shift it by, so the
// value is out of a double's range, whatever the digits are.
constexpr int64_t kExponentCap = 1'000'000'000'000;
// Exponents are kept within this once they are far outside a double's range either way.
constexpr int64_t kExponentLimit = 1'000'000;

// A decimal as an integer of significant digits times a power of ten.
struct ScaledDigits {
    bool negative = false;
    std::string digits; // no leading or trailing zeros; empty for zero
    int32_t exponent = 0;
};

// Splits text, whose syntax is checked, into sign, significant digits and exponent.
ScaledDigits scaledDigits(std::string_view text) {
    ScaledDigits d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    bool sticky = false;
    int64_t exponent = 0;
    bool fraction = false;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        const char c = text[i];
        if (c == '.') {
            fraction = true;
        } else if (d.digits.empty() && c == '0') {
            exponent -= fraction ? 1 : 0;
        } else if (d.digits.size() < kMaxDigits) {
            d.digits += c;
            exponent -= fraction ? 1 : 0;
        } else {
            sticky = sticky || c != '0';
            exponent += fraction ? 0 : 1;
        }
    }
    if (i < text.size()) {
        ++i;
        const bool exponentNegative = text[i] == '-';
        i += text[i] == '-' || text[i] == '+' ? 1 : 0;
        int64_t written = 0;
        for (; i < text.size(); ++i) {
            written = std::min<int64_t>(written * 10 + (text[i] - '0'), kExponentCap);
        }
        exponent += exponentNegative ? -written : written;
    }
    if (sticky) {
        d.digits += '1';
        --exponent;
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
        ++exponent;
    }
    d.exponent = static_cast<int32_t>(std::clamp(exponent, -kExponentLimit, kExponentLimit));
    return d;
}

} // namespace

DecimalNumber ParseDecimal(std::string_view text) {
    if (!isDecimalSyntax(text)) {
        return {};
    }
    const ScaledDigits d = scaledDigits(text);
    const double zero = d.negative ? -0.0 : 0.0;
    const auto magnitude = static_cast<int32_t>(d.digits.size()) + d.exponent;
    // At least 10^309, beyond the largest double; below 10^-324, under half the smallest one.
    if (!d.digits.empty() && magnitude > 309) {
        return {DecimalNumber::Status::Overflow, 0};
    }
    if (d.digits.empty() || magnitude < -324) {
        return {DecimalNumber::Status::Ok, zero};
    }

    // The exact value as numerator / denominator, scaled by 2^-binary so that the quotient
    // has 53 bits (fewer only for a subnormal, whose binary exponent is fixed at the least).
    BigNumber numerator(0);
    for (const char c : d.digits) {
        numerator.multiplyAdd(10, static_cast<uint32_t>(c - '0'));
    }
    BigNumber denominator(1);
    if (d.exponent >= 0) {
        numerator.multiplyByPowerOf10(d.exponent);
    } else {
        denominator.multiplyByPowerOf10(-d.exponent);
    }
    constexpr int32_t kLeastBinary = -1074;
    int32_t binary = std::max(numerator.bitLength() - denominator.bitLength() - 53, kLeastBinary);
    const auto scale = [&](int32_t by) {
        if (by >= 0) {
            denominator.shiftLeft(by);
        } else {
            numerator.shiftLeft(-by);
        }
    };
    scale(binary);
    BigNumber top = denominator;
    top.shiftLeft(53);
    if (numerator >= top) {
        denominator.shiftLeft(1);
        ++binary;
    }

    // The quotient bit by bit, then rounded to nearest, ties to even.
    uint64_t quotient = 0;
    for (int32_t bit = 52; bit >= 0; --bit) {
        BigNumber shifted = denominator;
        shifted.shiftLeft(bit);
        if (numerator >= shifted) {
            numerator.subtract(shifted);
            quotient |= uint64_t{1} << bit;
        }
    }
    numerator.shiftLeft(1);
    const auto half = numerator <=> denominator;
    if (half > 0 || (half == 0 && (quotient & 1) != 0)) {
        ++quotient;
    }
    constexpr uint64_t kHidden = uint64_t{1} << 52;
    if (quotient == 2 * kHidden) {
        quotient = kHidden;
        ++binary;
    }
    uint64_t bits = quotient;
    if (quotient >= kHidden) {
        const int32_t biased = binary + 1075;
        if (biased >= 2047) {
            return {DecimalNumber::Status::Overflow, 0};
        }
        bits = (static_cast<uint64_t>(biased) << 52) | (quotient - kHidden);
    }
    const double value = std::bit_cast<double>(bits);
    return {DecimalNumber::Status::Ok, d.negative ? -value : value};
}

} // namespace qly
