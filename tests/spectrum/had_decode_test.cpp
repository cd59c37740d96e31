// The fast Hadamard group decoder against the straightforward matrix form.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "velspec_had_decode.h"
#include "spectrum_fixtures.h"
#include "velspec_scan_had.h"

namespace spectrum_test {
namespace {

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

TEST(HadamardDecode, SameStatusesAsTheMatrixForm) {
    double y[8] = {0}, x[8];
    EXPECT_EQ(velspec::HadDecodeGroup(y, 5, 5, x), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec::HadDecodeGroupMatrix(y, 5, x), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec::HadDecodeGroup(y, 263, 5, x), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec::HadDecodeGroupMatrix(y, 263, x), VELSPEC_ERR_BAD_INPUT);
}

}  // namespace
}  // namespace spectrum_test
