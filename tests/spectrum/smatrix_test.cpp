// The stored S-matrices, their reading functions and the choice of order.
#include <gtest/gtest.h>

#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_scan_had.h"

namespace {

using spectrum_test::kSMatrixOrders;

TEST(SMatrixTable, SmallestOrdersMatchTheInstrumentRows) {
    const char *rows7[7] = {"1011100", "1101001", "1100110", "0111010", "1010011", "0110101", "0001111"};
    uint8_t row[7];
    for (uint32_t r = 0; r < 7; ++r) {
        ASSERT_EQ(getSMatrixRow(7, r, row), VELSPEC_OK);
        for (int c = 0; c < 7; ++c) EXPECT_EQ(row[c], rows7[r][c] - '0') << r << "," << c;
    }
    const char *rows3[3] = {"110", "101", "011"};
    double full[3 * 3 + 8];
    ASSERT_EQ(getSMatrix(3, full), VELSPEC_OK);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(full[r * 3 + c], rows3[r][c] - '0');
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

TEST(PaleyOrder, SmallestPrimeThreeModFourNotBelow) {
    const uint32_t cases[][2] = {{0, 3},  {1, 3},   {3, 3},   {4, 7},     {7, 7},
                                 {8, 11}, {12, 19}, {24, 31}, {240, 251}, {252, 263}};
    for (const auto &c : cases) EXPECT_EQ(getPaleyOrder(c[0]), c[1]) << c[0];
}

TEST(PaleyOrder, CheckPrimeAndLargeArgumentsFinish) {
    // 253 = 11 * 23; 4294967291 is the largest 32-bit prime.
    const uint32_t cases[][2] = {{0, 1},   {1, 1},           {4, 0},          {251, 1},
                                 {253, 0}, {4294967291u, 1}, {4294967295u, 0}};
    for (const auto &c : cases) EXPECT_EQ(checkPrime(c[0]), static_cast<int>(c[1])) << c[0];
    // Nothing at or above 2^32 - 1 qualifies; the search must not wrap.
    EXPECT_EQ(getPaleyOrder(4294967295u), 0u);
}

}  // namespace
