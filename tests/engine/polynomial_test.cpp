#include "routines.hpp"

#include <gtest/gtest.h>

namespace tesra {
namespace {

struct Example {
    Routine set;
    double m, p;
    double m_final, p_final;
};

// The published worked examples, compared as doubles: any change in the
// order of operations, or a fused multiply-add, shows in the last bits.
TEST(OfficialSets, ReproduceThePublishedResultsExactly) {
    const Example examples[] = {
        {Routine::transf_54, 640000, 4162500, 640030.8131618912, 4162536.9254752584},
        {Routine::transf_54, 641000, 4163500, 641030.8038783596, 4163536.9187463876},
        {Routine::transf_124, 0, 0, 2364.09143505786, -745.015675785352},
        {Routine::transf_124, 500000, 4200000, 499684.65542858775, 4200321.091790115},
        {Routine::transf_114, 650000, 4380000, 649623.0217248283, 4380066.272518611},
        {Routine::transf_01, 100000, 200000, 100005.02816080576, 199999.57660867003},
        {Routine::transf_10, 100000, 200000, 99994.97186529057, 200000.42325784644},
        {Routine::transf_01, -50000, -100000, -50002.26186617004, -99999.77421606607},
    };
    for (const Example& e : examples) {
        const PlanarPoint r = evaluate_polynomial(official_set(e.set), e.m, e.p);
        EXPECT_EQ(r.m, e.m_final) << static_cast<int>(e.set) << " at " << e.m << ", " << e.p;
        EXPECT_EQ(r.p, e.p_final) << static_cast<int>(e.set) << " at " << e.m << ", " << e.p;
    }
}

TEST(OfficialSets, IslandSetsShareTheirLocalOriginAndScaleBack) {
    for (Routine s : {Routine::transf_54, Routine::transf_64, Routine::transf_74,
                          Routine::transf_84, Routine::transf_94, Routine::transf_104,
                          Routine::transf_114, Routine::transf_124}) {
        const PolynomialParameterSet& set = official_set(s);
        EXPECT_TRUE(set.scale_result);
        EXPECT_EQ(set.false_origin_x1, set.false_origin_x2);
        EXPECT_EQ(set.false_origin_y1, set.false_origin_y2);
        // At the origin only c(0) remains, scaled to metres.
        const PlanarPoint r = evaluate_polynomial(set, set.false_origin_x1, set.false_origin_y1);
        EXPECT_EQ(r.m, 1000 * set.coef_m[0] + set.false_origin_x2);
        EXPECT_EQ(r.p, set.coef_p[0] * 1000 + set.false_origin_y2);
    }
}

TEST(EvaluatePolynomial, BothPolynomialsTakeBothCoordinates) {
    PolynomialParameterSet set;
    set.coef_m = {0, 0, 2, 0, 0, 0};  // M from p only
    set.coef_p = {0, 3, 0, 0, 0, 0};  // P from m only
    const PlanarPoint r = evaluate_polynomial(set, 5, 7);
    EXPECT_EQ(r.m, 14);
    EXPECT_EQ(r.p, 15);
    set.coef_m = {1, 0, 0, 1, 1, 1};  // 1 + m^2 + m p + p^2
    EXPECT_EQ(evaluate_polynomial(set, 2, 3).m, 1 + 4 + 6 + 9);
}

}  // namespace
}  // namespace tesra
