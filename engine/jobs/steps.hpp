// The steps every route is made of, and the one place where a step is
// applied to a point: a routine of the route table, or one of the steps of
// the command line's own routes (extended_routes.hpp), each beside its
// inverse: the military offset and the offset back, an official polynomial
// and the polynomial solved backwards. A route is a short list of steps
// (a closed set, so a step is a value and a switch, never a virtual call).
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

#include "geodesy/transverse_mercator.hpp"
#include "jobs/routines.hpp"

namespace tesra {

enum class StepKind {
    routine,           // a routine of routines.hpp, run as the route table runs it
    militar_offset,    // Datum Lisboa-Ponto Central to the military grid: +200000 m in M, +300000 m in P
    militar_unoffset,  // the military grid to Datum Lisboa-Ponto Central: -200000, -300000
    inverse_official,  // the inverse of an official polynomial routine, solved point by point
    project,           // latitude and longitude to a projection's M and P
    unproject,         // a projection's M and P to latitude and longitude
    reproject,         // one projection's M and P to another's of the same datum
    same_datum,        // WGS 84 taken as ETRS89 or PTRA08: the coordinates as they are
};

// The transverse Mercator projections of the ETRS89 and PTRA08 systems.
enum class Projection : unsigned char { tm06, utm25, utm26, utm28, utm29 };

[[nodiscard]] constexpr const TransverseMercator& projection_definition(Projection projection) noexcept {
    switch (projection) {
    case Projection::tm06: return tm_portugal_tm06;
    case Projection::utm25: return tm_ptra08_utm25n;
    case Projection::utm26: return tm_ptra08_utm26n;
    case Projection::utm28: return tm_ptra08_utm28n;
    case Projection::utm29: break;
    }
    return tm_etrs89_utm29n;
}

struct RouteStep {
    StepKind kind;
    Routine routine{};        // of kinds routine and inverse_official
    Projection from{}, to{};  // of project (to), unproject (from) and reproject
};

// The military grid is Datum Lisboa-Ponto Central with the false origin of
// the old military maps (systems.hpp): the offset that takes one to the other.
inline constexpr double militar_offset_m = 200000;
inline constexpr double militar_offset_p = 300000;

inline constexpr std::size_t max_route_steps = 4;

namespace route_steps {
inline constexpr RouteStep to_militar{StepKind::militar_offset};
inline constexpr RouteStep from_militar{StepKind::militar_unoffset};
constexpr RouteStep run(Routine r) { return {StepKind::routine, r}; }
constexpr RouteStep inverse(Routine r) { return {StepKind::inverse_official, r}; }
constexpr RouteStep project(Projection to) { return {StepKind::project, {}, {}, to}; }
constexpr RouteStep unproject(Projection from) { return {StepKind::unproject, {}, from, {}}; }
constexpr RouteStep reproject(Projection from, Projection to) { return {StepKind::reproject, {}, from, to}; }
inline constexpr RouteStep same_datum{StepKind::same_datum};
}  // namespace route_steps

// One step of a route made ready to take points one at a time, its grid or
// parameter files read (faults throw TesraError; nothing is shown). apply()
// computes one point, false where the step refuses it (a point off the
// grids, or one the inverse cannot solve); it changes nothing, so threads
// may share a step.
class PointStep {
public:
    PointStep(const RouteStep& step, const TransformationJob& job, Environment& env);

    [[nodiscard]] bool apply(double m, double p, double& m_out, double& p_out) const {
        switch (form_) {
        case Form::polynomial: return polynomial(m, p, m_out, p_out);
        case Form::grid: return grid(m, p, m_out, p_out);
        case Form::offset: return offset(m, p, m_out, p_out);
        case Form::project: return project(m, p, m_out, p_out);
        case Form::unproject: return unproject(m, p, m_out, p_out);
        case Form::reproject: return reproject(m, p, m_out, p_out);
        case Form::inverse_polynomial: break;
        }
        return inverse_polynomial(m, p, m_out, p_out);
    }

    // body(compute), where compute(m, p, m_out, p_out) is apply() for this
    // step's form alone: a loop over a file's points picks the form once.
    template <class Body>
    decltype(auto) with_compute(Body&& body) const {
        switch (form_) {
        case Form::polynomial:
            return body([this](double m, double p, double& m_out, double& p_out) {
                return polynomial(m, p, m_out, p_out);
            });
        case Form::grid:
            return body([this](double m, double p, double& m_out, double& p_out) { return grid(m, p, m_out, p_out); });
        case Form::offset:
            return body([this](double m, double p, double& m_out, double& p_out) { return offset(m, p, m_out, p_out); });
        case Form::project:
            return body([this](double m, double p, double& m_out, double& p_out) { return project(m, p, m_out, p_out); });
        case Form::unproject:
            return body([this](double m, double p, double& m_out, double& p_out) {
                return unproject(m, p, m_out, p_out);
            });
        case Form::reproject:
            return body([this](double m, double p, double& m_out, double& p_out) {
                return reproject(m, p, m_out, p_out);
            });
        case Form::inverse_polynomial: break;
        }
        return body([this](double m, double p, double& m_out, double& p_out) {
            return inverse_polynomial(m, p, m_out, p_out);
        });
    }

    // Why apply() refused (m, p), as the skipped points name it.
    [[nodiscard]] PointFault refusal(double m, double p) const noexcept;

private:
    enum class Form : unsigned char { polynomial, grid, offset, inverse_polynomial, project, unproject, reproject };

    bool polynomial(double m, double p, double& m_out, double& p_out) const noexcept {
        const PlanarPoint r = evaluate_polynomial(set_, m, p);
        m_out = r.m;
        p_out = r.p;
        return true;
    }
    bool inverse_polynomial(double m, double p, double& m_out, double& p_out) const noexcept {
        const std::optional<PlanarPoint> r = invert_polynomial(set_, m, p);
        if (!r) return false;
        m_out = r->m;
        p_out = r->p;
        return true;
    }
    bool grid(double m, double p, double& m_out, double& p_out) const noexcept {
        return interpolate_grid(grids_->m, grids_->p, m, p, m_out, p_out);
    }
    bool offset(double m, double p, double& m_out, double& p_out) const noexcept {
        m_out = m + dm_;
        p_out = p + dp_;
        return true;
    }

    // Geographic points are (latitude, longitude) in M and P, the files' order.
    bool project(double m, double p, double& m_out, double& p_out) const noexcept {
        const std::optional<PlanarPoint> r = to_->forward(m, p);
        if (!r) return false;
        m_out = r->m;
        p_out = r->p;
        return true;
    }
    bool unproject(double m, double p, double& m_out, double& p_out) const noexcept {
        const std::optional<GeographicPoint> r = from_->inverse(m, p);
        if (!r) return false;
        m_out = r->lat;
        p_out = r->lon;
        return true;
    }
    bool reproject(double m, double p, double& m_out, double& p_out) const noexcept {
        const std::optional<GeographicPoint> g = from_->inverse(m, p);
        return g && project(g->lat, g->lon, m_out, p_out);
    }

    PolynomialParameterSet set_{};           // a polynomial's, or the one an inverse solves
    Form form_ = Form::polynomial;
    std::shared_ptr<const GridPair> grids_;  // a grid routine's
    double dm_ = 0, dp_ = 0;                 // an offset's
    std::optional<TransverseMercatorProjection> from_, to_;  // a projection's
};

// One step of a route on the job's files: job.fich1 read, job.fich2
// written, the busy pointer while it runs. Faults are reported through the
// services (the generic routine's with the program's title); a point the
// step refuses stops the job with out_of_limits, or, given job.skipped, is
// left out and noted there.
RoutineStatus run_step(const RouteStep& step, const TransformationJob& job, Environment& env);

}  // namespace tesra
