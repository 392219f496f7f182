#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace meshgen {
namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float length(Vec3 a) {
    return std::sqrt(dot(a, a));
}
Vec3 normalised(Vec3 a) {
    const float l = length(a);
    return l > 1e-12f ? a * (1.0f / l) : Vec3{0, 1, 0};
}

// Flat-shaded triangle: its own three vertices carrying the face normal.
void addFlatTriangle(TriMesh& m, Vec3 a, Vec3 b, Vec3 c) {
    const Vec3 n = cross(b - a, c - a);
    if (length(n) < 1e-10f)
        return;
    const Vec3 nn = normalised(n);
    const unsigned base = unsigned(m.vertices.size());
    m.vertices.push_back({a, nn, a.x, a.y});
    m.vertices.push_back({b, nn, b.x, b.y});
    m.vertices.push_back({c, nn, c.x, c.y});
    m.indices.insert(m.indices.end(), {base, base + 1, base + 2});
}

bool samePoint(const ProfilePoint& a, const ProfilePoint& b) {
    return std::fabs(a.r - b.r) < 1e-6f && std::fabs(a.y - b.y) < 1e-6f;
}

// Inside test for ear clipping (2D, XY).
float cross2(Vec3 o, Vec3 a, Vec3 b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Points on the border count as inside: an ear through another corner would leave a sliver.
bool insideTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    auto same = [](Vec3 u, Vec3 v) { return u.x == v.x && u.y == v.y; };
    if (same(p, a) || same(p, b) || same(p, c))
        return false;
    return cross2(a, b, p) >= 0 && cross2(b, c, p) >= 0 && cross2(c, a, p) >= 0;
}

// Appends a sphere of the given radius around (0, cy, 0) as a lathe.
TriMesh sphere(float cy, float radius, int rows, int segments) {
    std::vector<ProfilePoint> p;
    for (int i = 0; i <= rows; ++i) {
        const float a = -kPi / 2 + kPi * float(i) / float(rows);
        p.push_back({radius * std::cos(a), cy + radius * std::sin(a)});
    }
    p.front().r = 0;
    p.back().r = 0;
    return lathe(p, segments);
}

// Samples an arc of an ellipse around (0, cy) from angle a0 to a1 (radians, 0 = outward).
void addArc(std::vector<ProfilePoint>& p, float cy, float rx, float ry, float a0, float a1,
            int steps) {
    for (int i = 0; i <= steps; ++i) {
        const float a = a0 + (a1 - a0) * float(i) / float(steps);
        p.push_back({std::max(0.0f, rx * std::cos(a)), cy + ry * std::sin(a)});
    }
}

// The common foot of every piece: a flat bottom, a rounded plinth and a fillet.
std::vector<ProfilePoint> foot(float radius) {
    return {{0, 0},
            {radius, 0},
            {radius, 0},
            {radius, 0.05f},
            {radius * 0.97f, 0.075f},
            {radius * 0.88f, 0.09f},
            {radius * 0.88f, 0.09f},
            {radius * 0.80f, 0.11f},
            {radius * 0.72f, 0.14f}};
}

TriMesh pawn() {
    auto p = foot(0.30f);
    p.insert(p.end(), {{0.16f, 0.18f},
                       {0.12f, 0.26f},
                       {0.105f, 0.34f},
                       {0.17f, 0.36f},
                       {0.18f, 0.375f},
                       {0.16f, 0.39f},
                       {0.09f, 0.41f}});
    addArc(p, 0.52f, 0.13f, 0.13f, -1.1f, kPi / 2, 8);
    p.back().r = 0;
    return lathe(p, 20);
}

TriMesh rook() {
    auto p = foot(0.34f);
    p.insert(p.end(), {{0.24f, 0.18f},
                       {0.21f, 0.26f},
                       {0.20f, 0.44f},
                       {0.21f, 0.48f},
                       {0.26f, 0.50f},
                       {0.27f, 0.52f},
                       {0.27f, 0.52f},
                       {0.27f, 0.72f},
                       {0.27f, 0.72f},
                       {0.19f, 0.72f},
                       {0.19f, 0.72f},
                       {0.19f, 0.64f},
                       {0.19f, 0.64f},
                       {0, 0.64f}});
    const int rimFirst = int(p.size()) - 7; // the two top corners of the wall
    const int rimLast = int(p.size()) - 4;
    // Six merlons: the top of the wall drops between them.
    auto crenels = [rimFirst, rimLast](int row, float angle, float&, float& y) {
        if (row < rimFirst || row > rimLast)
            return;
        const float phase = std::fmod(angle * 6.0f / (2 * kPi) + 1.0f, 1.0f);
        if (phase > 0.55f)
            y -= 0.07f;
    };
    return lathe(p, 36, crenels);
}

TriMesh bishop() {
    auto p = foot(0.32f);
    p.insert(p.end(), {{0.20f, 0.18f},
                       {0.14f, 0.28f},
                       {0.11f, 0.42f},
                       {0.10f, 0.50f},
                       {0.16f, 0.52f},
                       {0.165f, 0.535f},
                       {0.15f, 0.55f},
                       {0.09f, 0.565f}});
    const int headFirst = int(p.size());
    addArc(p, 0.70f, 0.15f, 0.17f, -1.2f, kPi / 2, 16);
    const int headLast = int(p.size()) - 1;
    p.back().r = 0;
    // The mitre's slanted cut, on the side the pieces show to White's player.
    auto cut = [headFirst, headLast](int row, float angle, float& r, float& y) {
        if (row < headFirst || row > headLast)
            return;
        const Vec3 pos{r * std::cos(angle), y, r * std::sin(angle)};
        if (pos.x > 0.0f)
            return;
        const Vec3 n = normalised({-1, 1.1f, 0});
        const float d = dot(pos - Vec3{0, 0.74f, 0}, n);
        const float w = 0.028f;
        if (std::fabs(d) >= w)
            return;
        const float f = 1.0f - (d / w) * (d / w);
        const float side = std::min(1.0f, -pos.x / 0.05f);
        r *= 1.0f - 0.6f * f * side;
    };
    TriMesh m = lathe(p, 24, cut);
    m.append(sphere(0.9f, 0.04f, 5, 10));
    return m;
}

// Body shared by queen and king: foot, slim waist, collar; ends at the crown's start.
std::vector<ProfilePoint> royalBody(float radius) {
    auto p = foot(radius);
    p.insert(p.end(), {{0.22f, 0.18f},
                       {0.16f, 0.28f},
                       {0.12f, 0.45f},
                       {0.105f, 0.62f},
                       {0.18f, 0.65f},
                       {0.185f, 0.67f},
                       {0.14f, 0.69f},
                       {0.12f, 0.71f},
                       {0.15f, 0.80f}});
    return p;
}

TriMesh queen() {
    auto p = royalBody(0.35f);
    p.insert(p.end(), {{0.21f, 0.93f},
                       {0.21f, 0.93f},
                       {0.15f, 0.92f},
                       {0.15f, 0.92f},
                       {0.06f, 0.88f},
                       {0, 0.88f}});
    const int rimOuter = int(p.size()) - 6;
    const int rimInner = int(p.size()) - 3;
    // Eight points around the coronet.
    auto points = [rimOuter, rimInner](int row, float angle, float&, float& y) {
        if (row < rimOuter || row > rimInner)
            return;
        const float c = 0.5f + 0.5f * std::cos(angle * 8.0f);
        y += 0.09f * std::pow(c, 3.0f) - 0.02f;
    };
    TriMesh m = lathe(p, 40, points);
    m.append(sphere(0.96f, 0.06f, 6, 12));
    return m;
}

TriMesh king() {
    auto p = royalBody(0.36f);
    p.insert(p.end(), {{0.20f, 0.92f}, {0.20f, 0.92f}, {0.20f, 0.95f}, {0.20f, 0.95f}});
    addArc(p, 0.95f, 0.20f, 0.08f, 0.0f, kPi / 2, 6);
    p.back().r = 0;
    TriMesh m = lathe(p, 24);
    // The cross, its arms across the board's files so both players see it.
    m.append(box({-0.035f, 1.0f, -0.035f}, {0.035f, 1.25f, 0.035f}));
    m.append(box({-0.035f, 1.12f, -0.11f}, {0.035f, 1.185f, 0.11f}));
    return m;
}

TriMesh knight() {
    auto p = foot(0.34f);
    p.insert(p.end(), {{0.24f, 0.18f}, {0.24f, 0.18f}, {0, 0.18f}});
    TriMesh m = lathe(p, 20);
    // The horse's head in side view, facing +X, counter-clockwise.
    const std::vector<Vec3> outline = {
        {-0.24f, 0.14f, 0}, {0.18f, 0.14f, 0},  {0.19f, 0.28f, 0},  {0.12f, 0.40f, 0},
        {0.20f, 0.47f, 0},  {0.31f, 0.50f, 0},  {0.35f, 0.55f, 0},  {0.35f, 0.60f, 0},
        {0.30f, 0.66f, 0},  {0.17f, 0.76f, 0},  {0.11f, 0.84f, 0},  {0.07f, 0.93f, 0},
        {0.03f, 0.87f, 0},  {-0.01f, 0.86f, 0}, {-0.04f, 0.93f, 0}, {-0.08f, 0.84f, 0},
        {-0.15f, 0.76f, 0}, {-0.22f, 0.62f, 0}, {-0.26f, 0.44f, 0}, {-0.27f, 0.28f, 0}};
    // Broad neck, narrower head and muzzle, thin ears.
    auto width = [](const Vec3& q) {
        if (q.y > 0.84f)
            return 0.045f;
        if (q.x > 0.22f)
            return 0.075f;
        return q.y > 0.5f ? 0.09f : 0.11f;
    };
    m.append(extrude(outline, width, 0.035f, 0.035f));
    // Eyes as small bosses on both sides of the head.
    m.append(box({0.13f, 0.68f, -0.14f}, {0.17f, 0.71f, 0.14f}));
    // Mane: a ridge of small blocks down the back of the neck.
    for (int i = 0; i < 5; ++i) {
        const float t = float(i) / 4.0f;
        const float x = -0.13f - 0.12f * t;
        const float y = 0.78f - 0.34f * t;
        m.append(box({x - 0.04f, y - 0.045f, -0.035f}, {x + 0.02f, y + 0.035f, 0.035f}));
    }
    return m;
}

TriMesh arrow() {
    // Pointing down at the piece; flat so its spin shows.
    const std::vector<Vec3> outline = {{0.0f, -0.45f, 0},  {0.22f, -0.17f, 0}, {0.07f, -0.21f, 0},
                                       {0.07f, 0.12f, 0},  {-0.07f, 0.12f, 0}, {-0.07f, -0.21f, 0},
                                       {-0.22f, -0.17f, 0}};
    return extrude(
        outline, [](const Vec3&) { return 0.03f; }, 0.02f, 0.02f);
}

} // namespace

void TriMesh::append(const TriMesh& other) {
    const unsigned base = unsigned(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (unsigned i : other.indices)
        indices.push_back(base + i);
}

TriMesh lathe(const std::vector<ProfilePoint>& profile, int segments,
              const LatheModifier& modifier) {
    TriMesh m;
    const int rows = int(profile.size());
    if (rows < 2 || segments < 3)
        return m;
    const int cols = segments + 1; // the seam column is repeated for the texture coordinates
    std::vector<Vec3> grid(size_t(rows) * size_t(cols));
    auto at = [&](int i, int j) -> Vec3& { return grid[size_t(i) * size_t(cols) + size_t(j)]; };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            const float angle = 2 * kPi * float(j % segments) / float(segments);
            float r = profile[size_t(i)].r, y = profile[size_t(i)].y;
            if (modifier && r > 0)
                modifier(i, angle, r, y);
            at(i, j) = {r * std::cos(angle), y, r * std::sin(angle)};
        }
    for (int i = 0; i < rows; ++i) {
        const int prev =
            (i > 0 && !samePoint(profile[size_t(i - 1)], profile[size_t(i)])) ? i - 1 : i;
        const int next =
            (i + 1 < rows && !samePoint(profile[size_t(i + 1)], profile[size_t(i)])) ? i + 1 : i;
        for (int j = 0; j < cols; ++j) {
            const int jm = (j + segments - 1) % segments, jp = (j + 1) % segments;
            const Vec3 ts = at(next, j) - at(prev, j);
            const Vec3 ta = at(i, jp) - at(i, jm);
            Vec3 n = cross(ts, ta);
            if (length(n) < 1e-9f)
                n = {0, (i < rows / 2) ? -1.0f : 1.0f, 0};
            m.vertices.push_back(
                {at(i, j), normalised(n), float(j) / float(segments), float(i) / float(rows - 1)});
        }
    }
    auto idx = [cols](int i, int j) { return unsigned(i * cols + j); };
    for (int i = 0; i + 1 < rows; ++i) {
        if (samePoint(profile[size_t(i)], profile[size_t(i + 1)]))
            continue;
        for (int j = 0; j < segments; ++j) {
            if (profile[size_t(i)].r > 0)
                m.indices.insert(m.indices.end(), {idx(i, j), idx(i + 1, j), idx(i, j + 1)});
            if (profile[size_t(i + 1)].r > 0)
                m.indices.insert(m.indices.end(),
                                 {idx(i + 1, j), idx(i + 1, j + 1), idx(i, j + 1)});
        }
    }
    return m;
}

std::vector<unsigned> triangulate(const std::vector<Vec3>& polygon) {
    std::vector<unsigned> out;
    std::vector<unsigned> left;
    for (unsigned i = 0; i < polygon.size(); ++i)
        left.push_back(i);
    size_t guard = 0;
    while (left.size() > 3 && guard < polygon.size() * polygon.size()) {
        ++guard;
        bool clipped = false;
        for (size_t k = 0; k < left.size(); ++k) {
            const unsigned ia = left[(k + left.size() - 1) % left.size()], ib = left[k],
                           ic = left[(k + 1) % left.size()];
            const Vec3 a = polygon[ia], b = polygon[ib], c = polygon[ic];
            if (cross2(a, b, c) <= 0)
                continue; // reflex corner
            bool empty = true;
            for (unsigned other : left)
                if (other != ia && other != ib && other != ic &&
                    insideTriangle(polygon[other], a, b, c)) {
                    empty = false;
                    break;
                }
            if (!empty)
                continue;
            out.insert(out.end(), {ia, ib, ic});
            left.erase(left.begin() + long(k));
            clipped = true;
            break;
        }
        if (!clipped) {
            // Only collinear points left: nothing more to cover.
            float area = 0;
            for (size_t k = 0; k < left.size(); ++k)
                area += cross2(polygon[left[0]], polygon[left[k]],
                               polygon[left[(k + 1) % left.size()]]);
            return std::fabs(area) < 1e-9f ? out : std::vector<unsigned>{};
        }
    }
    if (left.size() == 3)
        out.insert(out.end(), {left[0], left[1], left[2]});
    return out;
}

TriMesh extrude(const std::vector<Vec3>& outline,
                const std::function<float(const Vec3&)>& halfWidth, float inset, float bevel) {
    TriMesh m;
    const size_t n = outline.size();
    const std::vector<unsigned> tris = triangulate(outline);
    if (n < 3 || tris.empty())
        return m;
    std::vector<Vec3> inner(n);
    for (size_t i = 0; i < n; ++i) {
        const Vec3 p = outline[i], a = outline[(i + n - 1) % n], b = outline[(i + 1) % n];
        const Vec3 e1 = normalised(p - a), e2 = normalised(b - p);
        const Vec3 n1{-e1.y, e1.x, 0}, n2{-e2.y, e2.x, 0};
        const Vec3 dir = normalised(n1 + n2);
        const float d = inset / std::max(0.35f, dot(dir, n1));
        inner[i] = p + dir * d;
    }
    auto lift = [&](Vec3 q, size_t i, float sign, float extra) {
        q.z = sign * (halfWidth(outline[i]) + extra);
        return q;
    };
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const Vec3 a = lift(outline[i], i, 1, 0), b = lift(outline[j], j, 1, 0);
        const Vec3 c = lift(outline[j], j, -1, 0), d = lift(outline[i], i, -1, 0);
        addFlatTriangle(m, a, c, b);
        addFlatTriangle(m, a, d, c);
        const Vec3 qi = lift(inner[i], i, 1, bevel), qj = lift(inner[j], j, 1, bevel);
        addFlatTriangle(m, a, b, qj);
        addFlatTriangle(m, a, qj, qi);
        const Vec3 ri = lift(inner[i], i, -1, bevel), rj = lift(inner[j], j, -1, bevel);
        addFlatTriangle(m, c, d, ri);
        addFlatTriangle(m, c, ri, rj);
    }
    for (size_t t = 0; t + 2 < tris.size(); t += 3) {
        const unsigned a = tris[t], b = tris[t + 1], c = tris[t + 2];
        addFlatTriangle(m, lift(inner[a], a, 1, bevel), lift(inner[b], b, 1, bevel),
                        lift(inner[c], c, 1, bevel));
        addFlatTriangle(m, lift(inner[a], a, -1, bevel), lift(inner[c], c, -1, bevel),
                        lift(inner[b], b, -1, bevel));
    }
    return m;
}

TriMesh box(Vec3 lo, Vec3 hi) {
    TriMesh m;
    const Vec3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                       {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                       {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3},
                             {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}};
    for (const auto& f : faces) {
        addFlatTriangle(m, c[f[0]], c[f[1]], c[f[2]]);
        addFlatTriangle(m, c[f[0]], c[f[2]], c[f[3]]);
    }
    return m;
}

TriMesh tile() {
    TriMesh m;
    const Vec3 up{0, 1, 0};
    m.vertices = {
        {{0, 0, 0}, up, 0, 0}, {{0, 0, 1}, up, 0, 1}, {{1, 0, 1}, up, 1, 1}, {{1, 0, 0}, up, 1, 0}};
    m.indices = {0, 1, 2, 0, 2, 3};
    return m;
}

const std::vector<std::string>& shapeNames() {
    static const std::vector<std::string> names = {"plane",  "pawn",  "rook", "knight",
                                                   "bishop", "queen", "king", "arrow"};
    return names;
}

TriMesh buildShape(const std::string& name) {
    if (name == "plane")
        return tile();
    if (name == "pawn")
        return pawn();
    if (name == "rook")
        return rook();
    if (name == "knight")
        return knight();
    if (name == "bishop")
        return bishop();
    if (name == "queen")
        return queen();
    if (name == "king")
        return king();
    if (name == "arrow")
        return arrow();
    return {};
}

} // namespace meshgen
