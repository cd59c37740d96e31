// The stored S-matrices, their reading functions and the choice of order.
#include <gtest/gtest.h>

#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_scan_had.h"

namespace spectrum_test {
namespace {

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
    // S * S^T = ((n + 1) / 4) (I + J), and (n + 1) / 2 ones in every row and
    // column.
    for (uint16_t n : kSMatrixOrders) {
        std::vector<double> s(n * n + 8);
        ASSERT_EQ(getSMatrix(n, s.data()), VELSPEC_OK) << n;
        const int half = (n + 1) / 2, quarter = (n + 1) / 4;
        for (int r = 0; r < n; ++r) {
            int row_ones = 0, column_ones = 0;
            for (int c = 0; c < n; ++c) {
                row_ones += s[r * n + c] == 1.0;
                column_ones += s[c * n + r] == 1.0;
            }
            ASSERT_EQ(row_ones, half) << "order " << n << " row " << r;
            ASSERT_EQ(column_ones, half) << "order " << n << " column " << r;
        }
        for (int a = 0; a < n; ++a) {
            for (int b = a + 1; b < n; ++b) {
                int common = 0;
                for (int c = 0; c < n; ++c) common += s[a * n + c] == 1.0 && s[b * n + c] == 1.0;
                ASSERT_EQ(common, quarter) << "order " << n << " rows " << a << "," << b;
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
        for (int i = 0; i < (n * n + 7) / 8; ++i) {
            hash = (hash ^ table[i]) * 1099511628211ull;
        }
    }
    EXPECT_EQ(hash, 0xe3f8e5c2c5e59c7full) << std::hex << hash;
    // The lookup holds no other order.
    int stored = 0;
    for (int order = 0; order < SMATRIX_LOOKUP_LEN; ++order) stored += g_matrix_lookup[order] != nullptr;
    EXPECT_EQ(stored, SMATRIX_NUM_ORDERS);
}

TEST(SMatrixRead, RefusesOrdersAndRowsItDoesNotHold) {
    std::vector<double> big(263 * 263 + 8);
    uint8_t row[263];
    EXPECT_EQ(getSMatrix(263, big.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(getSMatrix(5, big.data()), VELSPEC_ERR_NULL);
    EXPECT_EQ(getSMatrix(7, nullptr), VELSPEC_ERR_NULL);
    EXPECT_EQ(getSMatrixRow(252, 0, row), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(getSMatrixRow(5, 0, row), VELSPEC_ERR_NULL);
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

}  // namespace
}  // namespace spectrum_test
