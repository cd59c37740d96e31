// The stored S-matrices, their reading functions, the choice of order, and
// the fast group decoder against the straightforward matrix form.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "velspec_had_decode.h"
#include "velspec_scan_had.h"

namespace {

constexpr uint16_t kSMatrixOrders[SMATRIX_NUM_ORDERS] = {3,   7,   11,  19,  23,  31,  43,  47,  59,  67,
                                                         71,  79,  83,  103, 107, 127, 131, 139, 151, 163,
                                                         167, 179, 191, 199, 211, 223, 227, 239, 251};

// Order 3 is pinned by the Hadamard worked example, which decodes with it.
TEST(SMatrixTable, OrderSevenMatchesTheInstrumentRows) {
    const char *rows[7] = {"1011100", "1101001", "1100110", "0111010", "1010011", "0110101", "0001111"};
    uint8_t row[7];
    for (uint32_t r = 0; r < 7; ++r) {
        ASSERT_EQ(getSMatrixRow(7, r, row), VELSPEC_OK);
        for (int c = 0; c < 7; ++c) EXPECT_EQ(row[c], rows[r][c] - '0') << r << "," << c;
    }
}

TEST(SMatrixTable, EveryStoredMatrixIsAnSMatrix) {
    // S * S^T = ((n + 1) / 4) (I + J): (n + 1) / 2 ones in every row, (n + 1) / 4
    // shared by any two rows. Column sums then equal row sums.
    for (uint16_t n : kSMatrixOrders) {
        std::vector<double> s(n * n + 8);
        ASSERT_EQ(getSMatrix(n, s.data()), VELSPEC_OK) << n;
        for (int a = 0; a < n; ++a) {
            for (int b = a; b < n; ++b) {
                int common = 0;
                for (int c = 0; c < n; ++c) common += s[a * n + c] == 1.0 && s[b * n + c] == 1.0;
                ASSERT_EQ(common, (n + 1) / (a == b ? 2 : 4)) << "order " << n << " rows " << a << "," << b;
            }
        }
    }
}

TEST(SMatrixTable, TablesNeverChange) {
    // Readings decode only with the table their patterns came from: a
    // changed bit anywhere breaks every stored scan. FNV-1a over all tables.
    uint64_t hash = 1469598103934665603ull;
    for (uint16_t n : kSMatrixOrders) {
        const uint8_t *table = g_matrix_lookup[n];
        ASSERT_NE(table, nullptr) << n;
        for (int i = 0; i < (n * n + 7) / 8; ++i) hash = (hash ^ table[i]) * 1099511628211ull;
    }
    EXPECT_EQ(hash, 0xe3f8e5c2c5e59c7full) << std::hex << hash;
    // The lookup holds no other order.
    int stored = 0;
    for (int order = 0; order < SMATRIX_LOOKUP_LEN; ++order) stored += g_matrix_lookup[order] != nullptr;
    EXPECT_EQ(stored, SMATRIX_NUM_ORDERS);
}

// Orders above 251, or without a stored matrix, are refused alike by every
// reader and by both decoders.
TEST(SMatrixRead, RefusesOrdersAndRowsItDoesNotHold) {
    std::vector<double> out(263 * 263 + 8);
    double y[263] = {0};
    uint8_t row[263];
    const int32_t cases[][2] = {
        {263, VELSPEC_ERR_BAD_INPUT}, {252, VELSPEC_ERR_BAD_INPUT}, {5, VELSPEC_ERR_NULL}};
    for (const auto &c : cases) {
        const uint16_t q = static_cast<uint16_t>(c[0]);
        EXPECT_EQ(getSMatrix(q, out.data()), c[1]) << q;
        EXPECT_EQ(getSMatrixRow(q, 0, row), c[1]) << q;
        EXPECT_EQ(velspec::HadDecodeGroupMatrix(y, q, out.data()), c[1]) << q;
        EXPECT_EQ(velspec::HadDecodeGroup(y, q, 5, out.data()), c[1]) << q;
    }
    EXPECT_EQ(getSMatrix(7, nullptr), VELSPEC_ERR_NULL);
    // A row past the last would read past the end of the table.
    EXPECT_EQ(getSMatrixRow(251, 251, row), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(getSMatrixRow(251, 250, row), VELSPEC_OK);
}

// checkPrime(m) and the smallest prime q >= m with q = 3 mod 4. 253 is
// 11 * 23, 4294967291 the largest 32-bit prime; nothing at 2^32 - 1
// qualifies and the search must not wrap.
TEST(PaleyOrder, PrimesAndOrders) {
    const uint32_t cases[][3] = {{0, 1, 3},     {1, 1, 3},     {3, 1, 3},     {4, 0, 7},
                                 {7, 1, 7},     {8, 0, 11},    {12, 0, 19},   {24, 0, 31},
                                 {240, 0, 251}, {251, 1, 251}, {252, 0, 263}, {253, 0, 263}};
    for (const auto &c : cases) {
        EXPECT_EQ(checkPrime(c[0]), static_cast<int32_t>(c[1])) << c[0];
        EXPECT_EQ(getPaleyOrder(c[0]), c[2]) << c[0];
    }
    const uint32_t kMaxPrime = 4294967291u;
    EXPECT_EQ(checkPrime(kMaxPrime), 1);
    EXPECT_EQ(getPaleyOrder(kMaxPrime), kMaxPrime);
    EXPECT_EQ(checkPrime(kMaxPrime + 4), 0);
    EXPECT_EQ(getPaleyOrder(kMaxPrime + 4), 0u);
}

TEST(HadamardDecode, FastFormIsBitIdenticalToTheMatrixForm) {
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int32_t> reading(-50000, 4000000);
    std::uniform_int_distribution<int32_t> huge(-2147483647, 2147483647);
    for (int trial = 0; trial < 40; ++trial) {
        for (uint16_t q : kSMatrixOrders) {
            std::vector<double> y(q);
            for (auto &v : y) v = trial % 10 == 9 ? huge(rng) : reading(rng);
            // Bands that are never lit are not formed; trial 0 lights all.
            const uint16_t bands = static_cast<uint16_t>(trial == 0 ? q : 1 + rng() % q);
            std::vector<double> slow(q, -1.0), fast(q, -1.0);
            ASSERT_EQ(velspec::HadDecodeGroupMatrix(y.data(), q, slow.data()), VELSPEC_OK);
            ASSERT_EQ(velspec::HadDecodeGroup(y.data(), q, bands, fast.data()), VELSPEC_OK);
            ASSERT_EQ(std::memcmp(slow.data(), fast.data(), sizeof(double) * bands), 0)
                << "order " << q << " trial " << trial;
            if (bands < q) {
                EXPECT_EQ(fast[bands], -1.0);
            }
        }
    }
}

}  // namespace
