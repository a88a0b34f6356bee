#include "params/Maths.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace maths {
namespace {

// An unevaluated sum hi + lo with |lo| at most half an ulp of hi: about 106
// bits, enough that rounding hi + lo to a double is almost always correct.
struct DD {
    double hi, lo;
};

// a + b exactly, when |a| >= |b|.
[[gnu::always_inline]] inline DD quickTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly.
[[gnu::always_inline]] inline DD twoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a * b exactly, by Veltkamp's split: no fused multiply-add on any target.
[[gnu::always_inline]] inline DD twoProduct(double a, double b)
{
    const double p = a * b;
    const double ca = 134217729.0 * a, cb = 134217729.0 * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

[[gnu::always_inline]] inline DD operator-(DD a)
{
    return {-a.hi, -a.lo};
}

[[gnu::always_inline]] inline DD operator+(DD a, DD b)
{
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(s.hi, s.lo + t.lo);
}

[[gnu::always_inline]] inline DD operator*(DD a, DD b)
{
    const DD p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DD operator/(DD a, DD b)
{
    const double q1 = a.hi / b.hi;
    const DD r = a + -(b * DD{q1, 0});
    return quickTwoSum(q1, r.hi / b.hi);
}

// lead[0] + z (lead[1] + z (... + z tail(z))): the terms that matter most in
// double-double, the small tail in double.
template <size_t L, size_t T>
DD polynomial(DD z, const std::array<DD, L>& lead, const std::array<double, T>& tail)
{
    double t = tail[T - 1];
    for (size_t i = T - 1; i-- > 0;)
        t = t * z.hi + tail[i];
    DD sum{t, 0};
    for (size_t i = L; i-- > 0;)
        sum = sum * z + lead[i];
    return sum;
}

constexpr DD kPi{3.141592653589793, 1.2246467991473532e-16};
constexpr DD kPiOver2{1.5707963267948966, 6.123233995736766e-17};
constexpr DD kPiOver4{0.7853981633974483, 3.061616997868383e-17};

// Taylor series on |r| <= pi/4, to r^23 and r^24: the terms left out are
// below 2^-80 of the result. The coefficients are (-1)^k / n! correctly rounded.
constexpr std::array<DD, 5> kSinLead{{{1, 0},
                                      {-0.16666666666666666, -9.25185853854297e-18},
                                      {0.008333333333333333, 1.1564823173178714e-19},
                                      {-0.0001984126984126984, -1.7209558293420705e-22},
                                      {2.7557319223985893e-06, -1.858393274046472e-22}}};
constexpr std::array<double, 7> kSinTail{-2.505210838544172e-08, 1.6059043836821613e-10, -7.647163731819816e-13,
                                         2.8114572543455206e-15, -8.22063524662433e-18,  1.9572941063391263e-20,
                                         -3.868170170630684e-23};
constexpr std::array<DD, 5> kCosLead{{{1, 0},
                                      {-0.5, 0},
                                      {0.041666666666666664, 2.3129646346357427e-18},
                                      {-0.001388888888888889, 5.300543954373577e-20},
                                      {2.48015873015873e-05, 2.1511947866775882e-23}}};
constexpr std::array<double, 8> kCosTail{-2.755731922398589e-07,  2.08767569878681e-09,   -1.1470745597729725e-11,
                                         4.779477332387385e-14,   -1.5619206968586225e-16, 4.110317623312165e-19,
                                         -8.896791392450574e-22, 1.6117375710961184e-24};

DD sinKernel(DD r)
{
    return r * polynomial(r * r, kSinLead, kSinTail);
}

DD cosKernel(DD r)
{
    return polynomial(r * r, kCosLead, kCosTail);
}

// The bits of 2/pi, 64 to a word, after 64 zero bits: word w holds the bits
// 64w - 64 to 64w - 1 after the binary point. Enough for any double.
constexpr uint64_t kTwoOverPi[20] = {
    0x0000000000000000, 0x517cc1b727220a94, 0xfe13abe8fa9a6ee0, 0x6db14acc9e21c820,
    0xff28b1d5ef5de2b0, 0xdb92371d2126e970, 0x0324977504e8c90e, 0x7f0ef58e5894d39f,
    0x74411afa975da242, 0x74ce38135a2fbf20, 0x9cc8eb1cc1a99cfa, 0x4e422fc5defc941d,
    0x8ffc4bffef02cc07, 0xf79788c5ad05368f, 0xb69b3f6793e584db, 0xa7a31fb34f2ff516,
    0xba93dd63f5f2f8bd, 0x9e839cfbc5294975, 0x35fdafd88fc6ae84, 0x2b0198237e3db5d5,
};

struct Reduced {
    DD r;         // |r| <= pi/4
    int quadrant; // x = r + quadrant * pi/2 modulo 2 pi
};

// Payne and Hanek's reduction of a finite x >= 0, exact to about 2^-137 of
// pi/2 whatever the size of x: with x = m 2^e, only the bits of 2/pi from
// 2^(1-e) on can reach the fraction of x * 2/pi or its quadrant.
Reduced reduce(double x)
{
    if (x <= kPiOver4.hi)
        return {{x, 0}, 0};
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int e = int(bits >> 52) - 1075;
    const uint64_t m = (bits & ((uint64_t(1) << 52) - 1)) | uint64_t(1) << 52;
    const int first = e - 1 + 64, word = first / 64, shift = first % 64;
    uint64_t w[3];
    for (int i = 0; i < 3; ++i)
        w[i] = shift ? kTwoOverPi[word + i] << shift | kTwoOverPi[word + i + 1] >> (64 - shift) : kTwoOverPi[word + i];

    // The low 192 bits of m * w are x * 2/pi modulo 4, with 190 bits after the point.
    using U128 = unsigned __int128;
    U128 p = U128(m) * w[2];
    uint64_t f2 = uint64_t(p);
    p = U128(m) * w[1] + (p >> 64);
    uint64_t f1 = uint64_t(p);
    uint64_t f0 = m * w[0] + uint64_t(p >> 64);

    // To the nearest quadrant; what is left is a signed fraction of pi/2.
    const int quadrant = int(((f0 >> 61) + 1) >> 1) & 3;
    f0 -= uint64_t(quadrant) << 62;
    const bool negative = f0 >> 63;
    if (negative) {
        f2 = ~f2 + 1;
        uint64_t carry = f2 == 0;
        f1 = ~f1 + carry;
        carry = carry && f1 == 0;
        f0 = ~f0 + carry;
    }
    if ((f0 | f1 | f2) == 0)
        return {{0, 0}, quadrant};
    // Normalise, then the top 106 bits as two doubles.
    int zeros = 0;
    while (f0 == 0) {
        f0 = f1;
        f1 = f2;
        f2 = 0;
        zeros += 64;
    }
    const int z = std::countl_zero(f0);
    if (z) {
        f0 = f0 << z | f1 >> (64 - z);
        f1 = f1 << z | f2 >> (64 - z);
    }
    zeros += z;
    const double hi = std::ldexp(double(f0 >> 11), -51 - zeros);
    const double lo = std::ldexp(double((f0 & 0x7ff) << 42 | f1 >> 22), -104 - zeros);
    const DD r = DD{hi, lo} * kPiOver2;
    return {negative ? -r : r, quadrant};
}

// atan(k/16) for k = 0 to 16.
constexpr DD kAtanOfSixteenths[17] = {
    {0.0, 0.0},
    {0.06241880999595735, -1.5490756308295046e-18},
    {0.12435499454676144, -3.1253241424539383e-18},
    {0.18534794999569476, 4.180692268843079e-18},
    {0.24497866312686414, 1.0698755618734451e-17},
    {0.3028848683749714, -1.1010827903001369e-17},
    {0.35877067027057225, -2.4623815582638635e-17},
    {0.4124104415973873, -1.587652227770689e-17},
    {0.4636476090008061, 2.2698777452961687e-17},
    {0.5123894603107377, -2.5462781472855804e-17},
    {0.5585993153435624, -5.4556305485916264e-18},
    {0.6022873461349642, 2.950430737228402e-17},
    {0.6435011087932844, 1.5834785051444286e-17},
    {0.6823165548747481, 6.943223671560008e-18},
    {0.7188299996216245, -2.1478388444456983e-17},
    {0.7531512809621944, -2.4256934659182068e-17},
    {0.7853981633974483, 3.061616997868383e-17},
};

// atan(u) / u = 1 - u^2/3 + u^4/5 - ... on |u| <= 1/32, to u^16: from u^4 on
// the terms are below 2^-20 of the sum, and double is precise enough.
constexpr std::array<DD, 2> kAtanLead{{{1, 0}, {-0.3333333333333333, -1.850371707708594e-17}}};
constexpr std::array<double, 7> kAtanTail{0.2, -0.14285714285714285, 0.1111111111111111, -0.09090909090909091,
                                          0.07692307692307693, -0.06666666666666667, 0.058823529411764705};

// atan(a / b) for finite 0 < a <= b.
DD atanOfRatio(double a, double b)
{
    // Keep the exact products below from overflowing or losing bits to underflow.
    if (b > 0x1p900) {
        a *= 0x1p-200;
        b *= 0x1p-200;
    } else if (b < 0x1p-900) {
        a *= 0x1p200;
        b *= 0x1p200;
    }
    const double q = a / b;
    const DD qb = twoProduct(q, b);
    const DD t{q, ((a - qb.hi) - qb.lo) / b};
    // atan(t) = atan(c) + atan((t - c) / (1 + t c)) with c the nearest sixteenth.
    const int k = int(t.hi * 16 + 0.5);
    const double c = k / 16.0;
    const DD u = (t + DD{-c, 0}) / (DD{1, 0} + t * DD{c, 0});
    return kAtanOfSixteenths[k] + u * polynomial(u * u, kAtanLead, kAtanTail);
}

} // namespace

double sin(double x)
{
    if (!std::isfinite(x))
        return x - x;
    if (std::fabs(x) < 0x1p-26) // x^3/6 is below half an ulp of x
        return x;
    const Reduced a = reduce(std::fabs(x));
    DD s = a.quadrant & 1 ? cosKernel(a.r) : sinKernel(a.r);
    if (a.quadrant & 2)
        s = -s;
    return std::signbit(x) ? -s.hi : s.hi;
}

double cos(double x)
{
    if (!std::isfinite(x))
        return x - x;
    if (std::fabs(x) < 0x1p-27) // x^2/2 is below half an ulp under 1
        return 1;
    const Reduced a = reduce(std::fabs(x));
    const DD c = a.quadrant & 1 ? sinKernel(a.r) : cosKernel(a.r);
    return a.quadrant == 1 || a.quadrant == 2 ? -c.hi : c.hi;
}

double atan2(double y, double x)
{
    if (std::isnan(x) || std::isnan(y))
        return x + y;
    const double ay = std::fabs(y), ax = std::fabs(x);
    DD angle;
    if (std::isinf(ay) && std::isinf(ax))
        angle = kPiOver4;
    else if (std::isinf(ax) || ay == 0)
        angle = {0, 0};
    else if (std::isinf(ay) || ax == 0)
        angle = kPiOver2;
    else if (ay <= ax)
        angle = atanOfRatio(ay, ax);
    else
        angle = kPiOver2 + -atanOfRatio(ax, ay);
    if (std::signbit(x))
        angle = kPi + -angle;
    return std::signbit(y) ? -angle.hi : angle.hi;
}

} // namespace maths
