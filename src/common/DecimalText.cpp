#include "common/DecimalText.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace autovelt::inline common {

DecimalText DecimalText::fromDouble(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);  // "-d.dddddddddddddde+XX"
    DecimalText d;
    const char* p = buffer;
    if (*p == '-') { d.negative_ = true; ++p; }
    while (*p && *p != 'e') {
        if (*p != '.') d.digits_ += *p;
        ++p;
    }
    const int exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    d.pointPos_ = exponent + 1;
    d.normalize();
    return d;
}

DecimalText DecimalText::fromScaled(int64_t units, int decimals) {
    DecimalText d;
    d.negative_ = units < 0;
    const uint64_t magnitude = d.negative_ ? uint64_t(0) - uint64_t(units) : uint64_t(units);
    d.digits_ = std::to_string(magnitude);
    d.pointPos_ = int(d.digits_.size()) - decimals;
    d.normalize();
    return d;
}

void DecimalText::normalize() {
    std::size_t lead = 0;
    while (lead < digits_.size() && digits_[lead] == '0') ++lead;
    digits_.erase(0, lead);
    pointPos_ -= int(lead);
    while (!digits_.empty() && digits_.back() == '0') digits_.pop_back();
    if (digits_.empty()) pointPos_ = 0;
}

DecimalText DecimalText::rounded(int decimals, HalfRule rule) const {
    const long long keep = (long long)pointPos_ + decimals;
    if (keep >= (long long)digits_.size()) return *this;
    DecimalText r;
    r.negative_ = negative_;
    if (keep < 0) return r;  // below a tenth of the last unit kept: rounds to zero
    r.digits_ = digits_.substr(0, std::size_t(keep));
    r.pointPos_ = pointPos_;
    const char dropped = digits_[std::size_t(keep)];
    const bool beyondHalf = std::size_t(keep) + 1 < digits_.size();  // no trailing zeros are held
    const char lastKept = keep > 0 ? digits_[std::size_t(keep) - 1] : '0';
    bool up = dropped > '5' || (dropped == '5' && beyondHalf);
    if (dropped == '5' && !beyondHalf) {
        up = rule == HalfRule::AwayFromZero || ((lastKept - '0') % 2 == 1);
    }
    if (up) {
        int i = int(r.digits_.size()) - 1;
        while (i >= 0 && r.digits_[std::size_t(i)] == '9') r.digits_[std::size_t(i--)] = '0';
        if (i >= 0) {
            ++r.digits_[std::size_t(i)];
        } else {
            r.digits_.insert(r.digits_.begin(), '1');
            ++r.pointPos_;
        }
    }
    r.normalize();
    return r;
}

std::optional<int64_t> DecimalText::scaledToInt64(int decimals) const {
    if (isZero()) return 0;
    const long long length = (long long)pointPos_ + decimals;
    if (length < (long long)digits_.size() || length > 19) return std::nullopt;
    std::string whole = digits_;
    whole.append(std::size_t(length) - digits_.size(), '0');
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), magnitude);
    if (error != std::errc() || end != whole.data() + whole.size()) return std::nullopt;
    const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative_ ? 1 : 0);
    if (magnitude > limit) return std::nullopt;
    return negative_ ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude);
}

double DecimalText::toDouble() const {
    if (isZero()) return negative_ ? -0.0 : 0.0;
    const std::string text = std::string(negative_ ? "-" : "") + "0." + digits_ + "e" + std::to_string(pointPos_);
    return std::strtod(text.c_str(), nullptr);
}

QString DecimalText::integerDigits() const {
    if (pointPos_ <= 0) return QStringLiteral("0");
    std::string whole = digits_.substr(0, std::size_t(pointPos_));
    whole.append(std::size_t(pointPos_) - whole.size(), '0');
    return QString::fromLatin1(whole.data(), qsizetype(whole.size()));
}

QString DecimalText::fractionDigits(int count) const {
    std::string fraction;
    if (pointPos_ < 0) fraction.assign(std::size_t(-pointPos_), '0');
    if (std::size_t(std::max(pointPos_, 0)) < digits_.size()) fraction += digits_.substr(std::size_t(std::max(pointPos_, 0)));
    fraction.resize(std::size_t(std::max(count, 0)), '0');
    return QString::fromLatin1(fraction.data(), qsizetype(fraction.size()));
}

}  // namespace autovelt::common
