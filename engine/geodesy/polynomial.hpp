// Second-degree polynomial transformations: the parameter set, its
// evaluation in the one order of operations that reproduces the official
// results to the last bit, and its inverse.
#pragma once

#include <array>
#include <optional>

namespace tesra {

struct PolynomialParameterSet {
    double false_origin_x1 = 0;  // subtracted from the input M
    double false_origin_y1 = 0;  // subtracted from the input P
    double false_origin_x2 = 0;  // added to the output M
    double false_origin_y2 = 0;  // added to the output P
    double Const_X = 1;          // divisor of the reduced M (and factor, with scale_result)
    double Const_Y = 1;          // divisor of the reduced P (and factor, with scale_result)
    std::array<double, 6> coef_m{};
    std::array<double, 6> coef_p{};
    bool scale_result = false;  // multiply the polynomial values by Const_X / Const_Y
};

struct PlanarPoint {
    double m;
    double p;
};

// c0 + c1 m + c2 p + c3 m^2 + c4 m p + c5 p^2 on the reduced coordinates,
// summed in a fixed order; every target must be built with -ffp-contract=off
// so that no fused multiply-add changes the last bits.
[[nodiscard]] PlanarPoint evaluate_polynomial(const PolynomialParameterSet& set, double m_inicial,
                                              double p_inicial) noexcept;

// The inverse: the point (m, p) that the set takes to (m_out, p_out), by
// Newton's method from (m_out, p_out) to a step below 1e-7 m, which suits
// sets close to a translation, as the official ones are. Empty when it does
// not converge (coordinates far beyond any island, or not finite).
[[nodiscard]] std::optional<PlanarPoint> invert_polynomial(const PolynomialParameterSet& set, double m_out,
                                                           double p_out) noexcept;

}  // namespace tesra
