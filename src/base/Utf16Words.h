#pragma once

#include <QChar>
#include <QtAlgorithms>
#include <QtGlobal>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KESTRUNE_UTF16_SSE2 1
#endif

// UTF-16 text tested eight code units at a time: long descriptions pass through several such
// tests on their way from one file to another. Each test gives a mark of two bits per unit
// (bits 2k and 2k + 1 for unit k); first() turns the lowest mark into the unit's position.
namespace Utf16Words {

inline constexpr qsizetype kBlock = 8;

#ifdef KESTRUNE_UTF16_SSE2
namespace detail {
inline __m128i load(const char16_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
inline uint marks(__m128i equalUnits) {
    return uint(_mm_movemask_epi8(equalUnits));
}
} // namespace detail
#endif

// Units at most limit.
inline uint atMost(const char16_t* at, char16_t limit) {
#ifdef KESTRUNE_UTF16_SSE2
    // Unsigned: what is left above the limit is zero only for units at or below it.
    const __m128i above = _mm_subs_epu16(detail::load(at), _mm_set1_epi16(short(limit)));
    return detail::marks(_mm_cmpeq_epi16(above, _mm_setzero_si128()));
#else
    uint result = 0;
    for (int k = 0; k < kBlock; ++k)
        result |= at[k] <= limit ? 3U << (2 * k) : 0U;
    return result;
#endif
}

// Units that are a or b.
inline uint equalEither(const char16_t* at, char16_t a, char16_t b) {
#ifdef KESTRUNE_UTF16_SSE2
    const __m128i units = detail::load(at);
    return detail::marks(_mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(short(a))),
                                      _mm_cmpeq_epi16(units, _mm_set1_epi16(short(b)))));
#else
    uint result = 0;
    for (int k = 0; k < kBlock; ++k)
        result |= at[k] == a || at[k] == b ? 3U << (2 * k) : 0U;
    return result;
#endif
}

// Units outside ASCII.
inline uint beyondAscii(const char16_t* at) {
#ifdef KESTRUNE_UTF16_SSE2
    const __m128i high = _mm_and_si128(detail::load(at), _mm_set1_epi16(short(0xFF80)));
    return detail::marks(_mm_cmpeq_epi16(high, _mm_setzero_si128())) ^ 0xFFFFU;
#else
    uint result = 0;
    for (int k = 0; k < kBlock; ++k)
        result |= at[k] >= 0x80 ? 3U << (2 * k) : 0U;
    return result;
#endif
}

// Units below low or above high (low <= high).
inline uint outside(const char16_t* at, char16_t low, char16_t high) {
#ifdef KESTRUNE_UTF16_SSE2
    // Moved down by low, the units inside wrap to nothing and lie at most high - low.
    const __m128i moved = _mm_sub_epi16(detail::load(at), _mm_set1_epi16(short(low)));
    const __m128i above = _mm_subs_epu16(moved, _mm_set1_epi16(short(high - low)));
    return detail::marks(_mm_cmpeq_epi16(above, _mm_setzero_si128())) ^ 0xFFFFU;
#else
    uint result = 0;
    for (int k = 0; k < kBlock; ++k)
        result |= at[k] < low || at[k] > high ? 3U << (2 * k) : 0U;
    return result;
#endif
}

// Four blocks: long runs of plain text are passed over with one test.
inline constexpr qsizetype kWide = 4 * kBlock;

// True when none of the kWide units at `at` is at most limit or equal to value.
inline bool noneAtMostNorEqual(const char16_t* at, char16_t limit, char16_t value) {
#ifdef KESTRUNE_UTF16_SSE2
    const __m128i bound = _mm_set1_epi16(short(limit));
    const __m128i other = _mm_set1_epi16(short(value));
    __m128i found = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) {
        const __m128i units = detail::load(at + k * kBlock);
        found = _mm_or_si128(found, _mm_cmpeq_epi16(_mm_subs_epu16(units, bound), _mm_setzero_si128()));
        found = _mm_or_si128(found, _mm_cmpeq_epi16(units, other));
    }
    return detail::marks(found) == 0;
#else
    for (int k = 0; k < kWide; ++k) {
        if (at[k] <= limit || at[k] == value)
            return false;
    }
    return true;
#endif
}

// The position (0 to 7) of the first unit that non-zero marks name.
inline int first(uint marks) {
    return int(qCountTrailingZeroBits(marks) / 2);
}

// After a block was stored whole at to: moves at and to past its units up to the first one
// that marks names (what was stored past it is written over next). True when marks name none.
template <typename Position, typename Out> inline bool passUnmarked(uint marks, Position& at, Out*& to) {
    const int kept = marks == 0 ? int(kBlock) : first(marks);
    at += kept;
    to += kept;
    return marks == 0;
}

// The eight units at `at`, all ASCII, as eight bytes at out.
inline void storeAscii(const char16_t* at, char* out) {
#ifdef KESTRUNE_UTF16_SSE2
    const __m128i bytes = _mm_packus_epi16(detail::load(at), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
#else
    for (int k = 0; k < kBlock; ++k)
        out[k] = char(at[k]);
#endif
}

} // namespace Utf16Words
