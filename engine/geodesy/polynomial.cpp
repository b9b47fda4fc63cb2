#include "geodesy/polynomial.hpp"

#include <cmath>

namespace tesra {

namespace {

// The order of the additions is part of the result: it reproduces the
// official values to the last bit.
double sum_polynomial(const std::array<double, 6>& c, double m, double p) noexcept {
    double s = m * c[1] + c[0];
    s = s + p * c[2];
    s = m * m * c[3] + s;
    s = s + (m * c[4]) * p;
    s = p * p * c[5] + s;
    return s;
}

}  // namespace

PlanarPoint evaluate_polynomial(const PolynomialParameterSet& set, double m_inicial, double p_inicial) noexcept {
    const double m_inicial2 = (m_inicial - set.false_origin_x1) / set.Const_X;
    const double p_inicial2 = (p_inicial - set.false_origin_y1) / set.Const_Y;
    const double sm = sum_polynomial(set.coef_m, m_inicial2, p_inicial2);
    const double sp = sum_polynomial(set.coef_p, m_inicial2, p_inicial2);
    if (set.scale_result) {
        return {set.Const_X * sm + set.false_origin_x2, sp * set.Const_Y + set.false_origin_y2};
    }
    return {sm + set.false_origin_x2, sp + set.false_origin_y2};
}

std::optional<PlanarPoint> invert_polynomial(const PolynomialParameterSet& set, double m_out,
                                             double p_out) noexcept {
    const std::array<double, 6>& a = set.coef_m;
    const std::array<double, 6>& b = set.coef_p;
    const double kx = set.scale_result ? set.Const_X : 1;
    const double ky = set.scale_result ? set.Const_Y : 1;
    // The official polynomials are within a few parts in a thousand of a
    // translation, so the target itself is a start close enough for the
    // error to shrink quadratically: once a step is below 1e-7 m, what is
    // left is of the order of the last bits (a nanometre over the islands).
    double m = m_out, p = p_out;
    for (int i = 0; i < 50; ++i) {
        const PlanarPoint f = evaluate_polynomial(set, m, p);
        const double u = (m - set.false_origin_x1) / set.Const_X;
        const double v = (p - set.false_origin_y1) / set.Const_Y;
        const double j11 = kx * (a[1] + 2 * a[3] * u + a[4] * v) / set.Const_X;
        const double j12 = kx * (a[2] + a[4] * u + 2 * a[5] * v) / set.Const_Y;
        const double j21 = ky * (b[1] + 2 * b[3] * u + b[4] * v) / set.Const_X;
        const double j22 = ky * (b[2] + b[4] * u + 2 * b[5] * v) / set.Const_Y;
        const double det = j11 * j22 - j12 * j21;
        const double rm = f.m - m_out, rp = f.p - p_out;
        const double dm = (j22 * rm - j12 * rp) / det;
        const double dp = (j11 * rp - j21 * rm) / det;
        if (!std::isfinite(dm) || !std::isfinite(dp)) return std::nullopt;
        m -= dm;
        p -= dp;
        if (std::fabs(dm) < 1e-7 && std::fabs(dp) < 1e-7) return PlanarPoint{m, p};
    }
    return std::nullopt;
}

}  // namespace tesra
