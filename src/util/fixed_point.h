#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace balcora::util {

// An exact decimal with a fixed number of places, held as an integer count of
// its smallest unit (cents for money, thousandths for quantities).
//
// The operators assume the result fits (amounts of a shop are many orders of
// magnitude below the limit of about 9.2e18 units); values that come from
// outside and may be absurd go through the checked_* functions instead.
template <int Places>
class Fixed {
    static_assert(Places >= 0 && Places <= 6);

  public:
    static constexpr int kPlaces = Places;
    static constexpr std::int64_t kScale = [] {
        std::int64_t s = 1;
        for (int i = 0; i < Places; ++i) s *= 10;
        return s;
    }();

    constexpr Fixed() = default;
    static constexpr Fixed from_units(std::int64_t units) {
        Fixed f;
        f.units_ = units;
        return f;
    }
    static constexpr Fixed from_whole(std::int64_t whole) { return from_units(whole * kScale); }

    constexpr std::int64_t units() const { return units_; }
    constexpr bool is_zero() const { return units_ == 0; }

    constexpr Fixed operator+(Fixed o) const { return from_units(units_ + o.units_); }
    constexpr Fixed operator-(Fixed o) const { return from_units(units_ - o.units_); }
    constexpr Fixed operator-() const { return from_units(-units_); }
    constexpr Fixed& operator+=(Fixed o) {
        units_ += o.units_;
        return *this;
    }
    constexpr Fixed& operator-=(Fixed o) {
        units_ -= o.units_;
        return *this;
    }
    constexpr auto operator<=>(const Fixed&) const = default;

  private:
    std::int64_t units_ = 0;
};

using Money = Fixed<2>;     // R$ with cents
using Quantity = Fixed<3>;  // quantities and unit prices

// Checked arithmetic gives nullopt where the plain operators would wrap.

template <int P>
constexpr std::optional<Fixed<P>> checked_add(Fixed<P> a, Fixed<P> b) {
    std::int64_t r;
    if (__builtin_add_overflow(a.units(), b.units(), &r)) return std::nullopt;
    return Fixed<P>::from_units(r);
}

template <int P>
constexpr std::optional<Fixed<P>> checked_sub(Fixed<P> a, Fixed<P> b) {
    std::int64_t r;
    if (__builtin_sub_overflow(a.units(), b.units(), &r)) return std::nullopt;
    return Fixed<P>::from_units(r);
}

template <int P>
constexpr std::optional<Fixed<P>> checked_times(Fixed<P> a, std::int64_t factor) {
    std::int64_t r;
    if (__builtin_mul_overflow(a.units(), factor, &r)) return std::nullopt;
    return Fixed<P>::from_units(r);
}

template <int P>
constexpr std::optional<Fixed<P>> checked_from_whole(std::int64_t whole) {
    std::int64_t r;
    if (__builtin_mul_overflow(whole, Fixed<P>::kScale, &r)) return std::nullopt;
    return Fixed<P>::from_units(r);
}

// Changes the number of places without losing anything: nullopt when digits
// would be dropped (1.234 to two places) or the value does not fit.
template <int To, int From>
constexpr std::optional<Fixed<To>> rescale(Fixed<From> x) {
    if constexpr (To >= From) {
        std::int64_t r;
        if (__builtin_mul_overflow(x.units(), Fixed<To>::kScale / Fixed<From>::kScale, &r)) {
            return std::nullopt;
        }
        return Fixed<To>::from_units(r);
    } else {
        constexpr std::int64_t div = Fixed<From>::kScale / Fixed<To>::kScale;
        if (x.units() % div != 0) return std::nullopt;
        return Fixed<To>::from_units(x.units() / div);
    }
}

__extension__ typedef __int128 WideInt;

// The exact value of a product, percentage or quotient of amounts before it is
// cut to a number of places, as a fraction of 128-bit integers: the product of
// any two amounts is exact. An overflow or a division by zero makes the value
// invalid, and cutting an invalid value gives nullopt.
class Exact {
  public:
    template <int P>
    constexpr Exact(Fixed<P> x) : num_(x.units()), den_(Fixed<P>::kScale) {}
    static constexpr Exact whole(std::int64_t n) { return Exact(n, 1); }
    static constexpr Exact invalid() { return Exact(0, 0); }

    constexpr bool valid() const { return den_ > 0; }
    constexpr WideInt numerator() const { return num_; }
    constexpr WideInt denominator() const { return den_; }

    friend constexpr Exact operator*(Exact a, Exact b) {
        if (!a.valid() || !b.valid()) return invalid();
        a.reduce_with(b);
        WideInt n, d;
        if (__builtin_mul_overflow(a.num_, b.num_, &n) ||
            __builtin_mul_overflow(a.den_, b.den_, &d)) {
            return invalid();
        }
        return Exact(n, d).reduced();
    }

    friend constexpr Exact operator/(Exact a, Exact b) {
        if (!a.valid() || !b.valid() || b.num_ == 0) return invalid();
        if (b.num_ > 0) return a * Exact(b.den_, b.num_);
        WideInt positive;
        if (__builtin_sub_overflow(WideInt{0}, b.num_, &positive)) return invalid();
        return a * Exact(-b.den_, positive);
    }

  private:
    constexpr Exact(WideInt num, WideInt den) : num_(num), den_(den) {}

    static constexpr WideInt gcd(WideInt a, WideInt b) {
        if (a < 0) a = -a;
        while (b != 0) {
            WideInt t = a % b;
            a = b;
            b = t;
        }
        return a;
    }
    constexpr Exact reduced() const {
        WideInt g = gcd(num_, den_);
        return g > 1 ? Exact(num_ / g, den_ / g) : *this;
    }
    // Cancels common factors across the two fractions before they are
    // multiplied, so that chains of operations stay far from the limit.
    constexpr void reduce_with(Exact& b) {
        WideInt g1 = gcd(num_, b.den_);
        if (g1 > 1) num_ /= g1, b.den_ /= g1;
        WideInt g2 = gcd(b.num_, den_);
        if (g2 > 1) b.num_ /= g2, den_ /= g2;
    }

    WideInt num_;
    WideInt den_;  // > 0 when valid
};

// amount x quantity, exactly.
template <int A, int B>
constexpr Exact exact_product(Fixed<A> a, Fixed<B> b) {
    return Exact(a) * Exact(b);
}

// percent % of amount, exactly (percent 18.00 means eighteen per cent).
template <int A, int B>
constexpr Exact percent_of(Fixed<A> amount, Fixed<B> percent) {
    return Exact(amount) * Exact(percent) / Exact::whole(100);
}

// numerator / denominator, exactly; invalid when the denominator is zero.
template <int A, int B>
constexpr Exact exact_quotient(Fixed<A> numerator, Fixed<B> denominator) {
    return Exact(numerator) / Exact(denominator);
}

namespace detail {

enum class Cut { kTruncate, kRoundHalfUp };

template <int To>
constexpr std::optional<Fixed<To>> cut(Exact e, Cut how) {
    if (!e.valid()) return std::nullopt;
    const WideInt num = e.numerator(), den = e.denominator();
    const WideInt whole = num / den, rest = num % den;  // both carry num's sign
    WideInt scaled_whole, scaled_rest;
    if (__builtin_mul_overflow(whole, WideInt{Fixed<To>::kScale}, &scaled_whole) ||
        __builtin_mul_overflow(rest, WideInt{Fixed<To>::kScale}, &scaled_rest)) {
        return std::nullopt;
    }
    WideInt units;
    if (__builtin_add_overflow(scaled_whole, scaled_rest / den, &units)) return std::nullopt;
    if (how == Cut::kRoundHalfUp) {
        WideInt left = scaled_rest % den;
        if (left < 0) left = -left;
        if (left >= den - left && __builtin_add_overflow(units, num < 0 ? -1 : 1, &units)) {
            return std::nullopt;
        }
    }
    if (units > INT64_MAX || units < INT64_MIN) return std::nullopt;
    return Fixed<To>::from_units(static_cast<std::int64_t>(units));
}

}  // namespace detail

// The one place where a value loses digits by truncation: toward zero, as the
// INT() of item totals and taxes. nullopt when the value is invalid or does
// not fit.
template <int To>
constexpr std::optional<Fixed<To>> truncate_to(Exact e) {
    return detail::cut<To>(e, detail::Cut::kTruncate);
}

// The one place where a value is rounded: halves go away from zero
// (0.005 -> 0.01, -0.005 -> -0.01), as commercial rounding does.
template <int To>
constexpr std::optional<Fixed<To>> round_half_up_to(Exact e) {
    return detail::cut<To>(e, detail::Cut::kRoundHalfUp);
}

// Fewer places from a Fixed never overflows, so these return the value itself.
template <int To, int From>
constexpr Fixed<To> truncate_to(Fixed<From> x) {
    static_assert(To <= From, "widening loses nothing: use rescale");
    return *truncate_to<To>(Exact(x));
}

template <int To, int From>
constexpr Fixed<To> round_half_up_to(Fixed<From> x) {
    static_assert(To <= From, "widening loses nothing: use rescale");
    return *round_half_up_to<To>(Exact(x));
}

// Item total: quantity x unit price, truncated to cents (never rounded).
template <int Q, int P>
constexpr std::optional<Money> item_total(Fixed<Q> quantity, Fixed<P> unit_price) {
    return truncate_to<2>(exact_product(quantity, unit_price));
}

}  // namespace balcora::util
