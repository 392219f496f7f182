#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace meshgen {
namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
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

// Vertex normals as the area-weighted mean of the faces around each vertex, for curved parts
// whose vertices are shared between their faces.
void smoothNormals(TriMesh& m) {
    std::vector<Vec3> sum(m.vertices.size());
    for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
        const unsigned a = m.indices[t], b = m.indices[t + 1], c = m.indices[t + 2];
        const Vec3 n =
            cross(m.vertices[b].pos - m.vertices[a].pos, m.vertices[c].pos - m.vertices[a].pos);
        for (unsigned i : {a, b, c})
            sum[i] = sum[i] + n;
    }
    for (size_t i = 0; i < sum.size(); ++i)
        m.vertices[i].normal = normalised(sum[i]);
}

// Like smoothNormals, but a corner averages only the faces around its vertex that bend less than
// `crease` (radians) from its own face, and gets a vertex of its own where that differs; cut
// edges stay sharp while the curved surface around them stays smooth.
void creasedNormals(TriMesh& m, float crease) {
    const size_t faces = m.indices.size() / 3;
    std::vector<Vec3> faceNormal(faces);
    std::vector<std::vector<size_t>> around(m.vertices.size());
    for (size_t f = 0; f < faces; ++f) {
        const Vec3 a = m.vertices[m.indices[3 * f]].pos, b = m.vertices[m.indices[3 * f + 1]].pos,
                   c = m.vertices[m.indices[3 * f + 2]].pos;
        faceNormal[f] = cross(b - a, c - a);
        for (int k = 0; k < 3; ++k)
            around[m.indices[3 * f + size_t(k)]].push_back(f);
    }
    const float limit = std::cos(crease);
    TriMesh out;
    std::vector<std::vector<unsigned>> copies(m.vertices.size());
    for (size_t f = 0; f < faces; ++f) {
        const Vec3 own = normalised(faceNormal[f]);
        for (int k = 0; k < 3; ++k) {
            const unsigned v = m.indices[3 * f + size_t(k)];
            Vec3 sum;
            for (size_t g : around[v])
                if (dot(normalised(faceNormal[g]), own) >= limit)
                    sum = sum + faceNormal[g];
            const Vec3 n = normalised(sum);
            unsigned index = ~0u;
            for (unsigned c : copies[v])
                if (dot(out.vertices[c].normal, n) > 0.9999f)
                    index = c;
            if (index == ~0u) {
                index = unsigned(out.vertices.size());
                out.vertices.push_back(m.vertices[v]);
                out.vertices.back().normal = n;
                copies[v].push_back(index);
            }
            out.indices.push_back(index);
        }
    }
    m = std::move(out);
}

// Turns a closed mesh inside out when it encloses a negative volume, so parts built without
// minding their orientation face outwards.
void faceOutwards(TriMesh& m) {
    double volume = 0;
    for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
        const Vec3 a = m.vertices[m.indices[t]].pos, b = m.vertices[m.indices[t + 1]].pos,
                   c = m.vertices[m.indices[t + 2]].pos;
        volume += double(dot(a, cross(b, c)));
    }
    if (volume < 0)
        for (size_t t = 0; t + 2 < m.indices.size(); t += 3)
            std::swap(m.indices[t + 1], m.indices[t + 2]);
}

// One cross-section of a lofted part, drawn in side view: it spans from the front point to the
// back point in the XY plane and halfWidth either side of z. ridge raises a crest along the
// back (a mane), bulge swells both flanks above the middle (eyes, nostrils), and square above 2
// flattens the flanks towards a rounded box.
struct Section {
    float fx, fy, bx, by;
    float halfWidth;
    float z = 0, ridge = 0, bulge = 0, square = 2;
};

float catmullRom(float p0, float p1, float p2, float p3, float t) {
    return 0.5f * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t +
                   (3 * p1 - p0 - 3 * p2 + p3) * t * t * t);
}

// Sections through the key sections along a smooth spline, `steps` per span, so a few keys
// describe a curved part without kinks.
std::vector<Section> throughKeys(const std::vector<Section>& keys, int steps) {
    std::vector<Section> out;
    const int n = int(keys.size());
    for (int k = 0; k + 1 < n; ++k) {
        const Section &a = keys[size_t(std::max(k - 1, 0))], &b = keys[size_t(k)],
                      &c = keys[size_t(k + 1)], &d = keys[size_t(std::min(k + 2, n - 1))];
        for (int s = 0; s < steps; ++s) {
            const float t = float(s) / float(steps);
            auto f = [&](float Section::*field) {
                return catmullRom(a.*field, b.*field, c.*field, d.*field, t);
            };
            out.push_back({f(&Section::fx), f(&Section::fy), f(&Section::bx), f(&Section::by),
                           std::max(0.002f, f(&Section::halfWidth)), f(&Section::z),
                           f(&Section::ridge), f(&Section::bulge), f(&Section::square)});
        }
    }
    out.push_back(keys.back());
    return out;
}

// cos or sin of a superellipse: |c|^(2/square) with c's sign.
float superPow(float c, float square) {
    return std::copysign(std::pow(std::fabs(c), 2.0f / square), c);
}

// A closed tube through the sections, `points` around, each end capped by a fan to the middle
// of its ring. The sections must not cross each other inside the part.
TriMesh loft(const std::vector<Section>& sections, int points) {
    TriMesh m;
    const int rings = int(sections.size());
    for (int i = 0; i < rings; ++i) {
        const Section& s = sections[size_t(i)];
        const Vec3 front{s.fx, s.fy, s.z}, back{s.bx, s.by, s.z};
        const Vec3 centre = (front + back) * 0.5f, half = (back - front) * 0.5f;
        const Vec3 along = normalised(half);
        for (int j = 0; j < points; ++j) {
            // Angle 0 is the back of the section, a quarter turn its +z flank.
            const float a = 2 * kPi * float(j) / float(points);
            const float c = std::cos(a), sn = std::sin(a);
            const float flank =
                std::exp(-std::pow((std::fabs(std::remainder(a, 2 * kPi)) - 1.05f) / 0.4f, 2.0f));
            const float swell = 1.0f + s.bulge * flank;
            Vec3 p = centre + half * (superPow(c, s.square) * swell) +
                     Vec3{0, 0, s.halfWidth * superPow(sn, s.square) * swell};
            p = p + along * (s.ridge * std::pow(std::max(0.0f, c), 8.0f));
            m.vertices.push_back({p, {}, float(j) / float(points), float(i) / float(rings - 1)});
        }
    }
    auto at = [points](int i, int j) { return unsigned(i * points + (j % points)); };
    for (int i = 0; i + 1 < rings; ++i)
        for (int j = 0; j < points; ++j)
            m.indices.insert(m.indices.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j),
                                               at(i + 1, j + 1), at(i, j + 1)});
    for (int end = 0; end < 2; ++end) {
        const int i = end == 0 ? 0 : rings - 1;
        Vec3 mid;
        for (int j = 0; j < points; ++j)
            mid = mid + m.vertices[at(i, j)].pos * (1.0f / float(points));
        const unsigned tip = unsigned(m.vertices.size());
        m.vertices.push_back({mid, {}, 0.5f, float(end)});
        for (int j = 0; j < points; ++j) {
            if (end == 0)
                m.indices.insert(m.indices.end(), {tip, at(i, j), at(i, j + 1)});
            else
                m.indices.insert(m.indices.end(), {tip, at(i, j + 1), at(i, j)});
        }
    }
    faceOutwards(m);
    smoothNormals(m);
    return m;
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
    p.insert(p.end(),
             {{0.16f, 0.18f}, {0.11f, 0.30f}, {0.17f, 0.355f}, {0.18f, 0.375f}, {0.16f, 0.39f}});
    addArc(p, 0.52f, 0.13f, 0.13f, -1.1f, kPi / 2, 6);
    p.back().r = 0;
    return lathe(p, 18);
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

// The mitre: an egg below its widest height yc, a pointed arch above up to the tip at y1, sitting
// on y0. It is built from rays out of a point on the slit's plane, in rows parallel to that
// plane, so the slit's walls follow the rows and stay straight. The slit is cut from White's
// side (-X), `depth` of the radius deep; the plane's normal leans across the files, so White sees
// a diagonal groove and the side view a notch in the outline.
TriMesh mitre(float y0, float yc, float y1, float radius, float slitY, Vec3 slitNormal,
              float halfSlit, float depth) {
    const float bottom = yc - (yc - y0) * 1.25f; // the egg's pole, below the flat seat
    const float h = y1 - yc, arc = (h * h + radius * radius) / (2 * radius);
    auto radiusAt = [=](float y) {
        if (y < y0 || y > y1)
            return -1.0f;
        if (y < yc) {
            const float t = (yc - y) / (yc - bottom);
            return radius * std::sqrt(1 - t * t);
        }
        return radius - arc + std::sqrt(arc * arc - (y - yc) * (y - yc));
    };
    const Vec3 centre{0, slitY, 0}, n = normalised(slitNormal);
    const Vec3 e1 = normalised(cross(n, {0, 0, 1})), e2 = cross(n, e1);
    auto surface = [&](Vec3 dir) {
        float in = 0, out = 1;
        for (int i = 0; i < 40; ++i) {
            const float mid = (in + out) / 2;
            const Vec3 p = centre + dir * mid;
            (std::hypot(p.x, p.z) < radiusAt(p.y) ? in : out) = mid;
        }
        return in;
    };
    // Rows by angle from the slit's plane: a dense band for the slit, its walls just outside.
    const float wall = std::asin(halfSlit / radius);
    std::vector<float> rows;
    for (int i = 0; i <= 5; ++i)
        rows.push_back(-kPi / 2 + (kPi / 2 - wall * 1.15f) * float(i) / 5);
    for (float f : {-0.95f, -0.5f, 0.0f, 0.5f, 0.95f})
        rows.push_back(f * wall);
    for (int i = 5; i >= 0; --i)
        rows.push_back(kPi / 2 - (kPi / 2 - wall * 1.15f) * float(i) / 5);
    constexpr int points = 22;
    TriMesh m;
    auto vertex = [&](Vec3 dir, float lat) {
        float r = surface(dir);
        // Inside the band the ray meets the slit's floor where the surface is cut away.
        if (std::fabs(lat) < wall && dir.x < 0)
            r = std::min(r, -(1 - depth) * radius / dir.x);
        m.vertices.push_back({centre + dir * r, {}, 0, lat});
    };
    vertex(n * -1.0f, -kPi / 2);
    for (size_t i = 1; i + 1 < rows.size(); ++i)
        for (int j = 0; j < points; ++j) {
            const float lon = 2 * kPi * float(j) / float(points);
            vertex(n * std::sin(rows[i]) +
                       (e1 * std::cos(lon) + e2 * std::sin(lon)) * std::cos(rows[i]),
                   rows[i]);
        }
    vertex(n, kPi / 2);
    const unsigned last = unsigned(m.vertices.size() - 1);
    const int inner = int(rows.size()) - 2;
    auto at = [](int i, int j) { return unsigned(1 + i * points + (j % points)); };
    for (int j = 0; j < points; ++j) {
        m.indices.insert(m.indices.end(), {0, at(0, j + 1), at(0, j)});
        m.indices.insert(m.indices.end(), {last, at(inner - 1, j), at(inner - 1, j + 1)});
    }
    for (int i = 0; i + 1 < inner; ++i)
        for (int j = 0; j < points; ++j)
            m.indices.insert(m.indices.end(), {at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i, j),
                                               at(i + 1, j + 1), at(i + 1, j)});
    faceOutwards(m);
    creasedNormals(m, 0.8f);
    // The slit's walls and floor face into the mitre: lit by the ambient light alone they read
    // as the shadowed cut they are in a real piece, where a lit floor would look like a stripe.
    const float floorX = -(1 - depth) * radius + 1e-3f;
    for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
        Vec3 mid;
        for (size_t k = 0; k < 3; ++k)
            mid = mid + m.vertices[m.indices[t + k]].pos * (1.0f / 3);
        if (mid.x > floorX || std::fabs(dot(mid - centre, n)) > halfSlit * 1.2f)
            continue;
        for (size_t k = 0; k < 3; ++k) {
            Vertex& v = m.vertices[m.indices[t + k]];
            v.normal = normalised(centre - v.pos);
        }
    }
    return m;
}

TriMesh bishop() {
    auto p = foot(0.30f);
    p.insert(p.end(), {{0.17f, 0.18f},
                       {0.12f, 0.28f},
                       {0.095f, 0.40f},
                       {0.08f, 0.51f},
                       {0.15f, 0.535f},
                       {0.165f, 0.55f},
                       {0.15f, 0.57f},
                       {0.07f, 0.585f},
                       {0.06f, 0.63f},
                       {0, 0.63f}});
    TriMesh m = lathe(p, 20);
    m.append(mitre(0.60f, 0.68f, 0.915f, 0.112f, 0.76f, {-0.3f, 1, 0.9f}, 0.011f, 0.7f));
    m.append(sphere(0.925f, 0.033f, 5, 10));
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
    // A longer waist than the king's keeps the queen a head shorter but clearly above the bishop.
    for (ProfilePoint& q : p)
        if (q.y > 0.18f)
            q.y += 0.07f * std::min(1.0f, (q.y - 0.18f) / 0.44f);
    p.insert(
        p.end(),
        {{0.21f, 1.0f}, {0.21f, 1.0f}, {0.15f, 0.99f}, {0.15f, 0.99f}, {0.06f, 0.95f}, {0, 0.95f}});
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
    m.append(sphere(1.03f, 0.06f, 6, 12));
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

// The horse: neck and head are two lofted parts that meet at the throat and the poll, with two
// ears and a mane carved into the crest. Side view, facing +X.
TriMesh knight() {
    auto p = foot(0.31f);
    p.insert(p.end(), {{0.24f, 0.17f}, {0.25f, 0.185f}, {0.23f, 0.20f}, {0, 0.20f}});
    TriMesh m = lathe(p, 18);
    TriMesh horse;

    // Neck: from the chest and the back of the neck up to the poll; the mane's height rises
    // and falls section by section, so its locks show as grooves.
    std::vector<Section> neck = throughKeys(
        {
            {0.16f, 0.16f, -0.17f, 0.16f, 0.17f},
            {0.17f, 0.28f, -0.18f, 0.28f, 0.155f, 0, 0.02f},
            {0.12f, 0.40f, -0.185f, 0.42f, 0.125f, 0, 0.045f},
            {0.04f, 0.50f, -0.165f, 0.56f, 0.10f, 0, 0.055f},
            {-0.02f, 0.59f, -0.115f, 0.69f, 0.082f, 0, 0.055f},
            {-0.03f, 0.67f, -0.05f, 0.785f, 0.07f, 0, 0.045f},
            {0.02f, 0.73f, 0.01f, 0.83f, 0.055f, 0, 0.025f},
            {0.03f, 0.78f, 0.03f, 0.82f, 0.02f},
        },
        2);
    for (size_t i = 0; i < neck.size(); ++i)
        neck[i].ridge *= (i % 2) ? 1.0f : 0.45f;
    horse.append(loft(neck, 18));

    // Head: sections across its axis, which runs forward and down from behind the ears to the
    // muzzle; u along the axis, the rest across it from the jaw to the forehead.
    const float tilt = 50 * kPi / 180;
    const Vec3 origin{0.095f, 0.78f, 0}, axis{std::cos(tilt), -std::sin(tilt), 0},
        up{std::sin(tilt), std::cos(tilt), 0};
    auto across = [&](float u, float jaw, float brow, float halfWidth, float bulge) {
        const Vec3 f = origin + axis * u + up * jaw, b = origin + axis * u + up * brow;
        return Section{f.x, f.y, b.x, b.y, halfWidth, 0, 0, bulge, 2.4f};
    };
    std::vector<Section> head = throughKeys(
        {
            across(-0.07f, -0.03f, 0.03f, 0.035f, 0),
            across(-0.04f, -0.095f, 0.068f, 0.072f, 0),
            across(0.03f, -0.155f, 0.086f, 0.09f, 0.2f),
            across(0.11f, -0.14f, 0.082f, 0.082f, 0),
            across(0.20f, -0.095f, 0.077f, 0.068f, 0),
            across(0.29f, -0.088f, 0.07f, 0.068f, 0.08f),
            across(0.325f, -0.07f, 0.05f, 0.055f, 0),
            across(0.34f, -0.03f, 0.02f, 0.022f, 0),
        },
        2);
    // The mouth: the jaw line drawn in between the nostrils and the chin.
    Section& mouth = head[head.size() - 4];
    mouth.fx += (mouth.bx - mouth.fx) * 0.25f;
    mouth.fy += (mouth.by - mouth.fy) * 0.25f;
    horse.append(loft(head, 18));

    // Ears, pricked up and a little apart, leaning back.
    const Vec3 poll = origin + up * 0.065f;
    for (float side : {-1.0f, 1.0f}) {
        auto ear = [&](float rise, float depth, float halfWidth) {
            const float x = poll.x - 0.25f * rise, y = poll.y + rise;
            return Section{x + depth, y, x - depth, y, halfWidth, side * (0.04f + 0.1f * rise)};
        };
        horse.append(loft(
            {ear(-0.03f, 0.04f, 0.03f), ear(0.04f, 0.035f, 0.024f), ear(0.095f, 0.006f, 0.004f)},
            8));
    }
    // Drawn a little large; brought down to stay below the bishop.
    for (Vertex& v : horse.vertices) {
        v.pos.x *= 0.94f;
        v.pos.y = 0.17f + (v.pos.y - 0.17f) * 0.94f;
        v.pos.z *= 0.94f;
    }
    m.append(horse);
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
    static const std::vector<std::string> names = {
        "plane",         "pawn",          "rook",         "knight",      "bishop",
        "queen",         "king",          "arrow",        "pawn_caster", "rook_caster",
        "knight_caster", "bishop_caster", "queen_caster", "king_caster"};
    return names;
}

TriMesh convexHull(const TriMesh& mesh) {
    // Incremental hull in double precision. The shapes are full of coplanar rings and caps,
    // where a point is neither clearly in front of a face nor behind it; nudging every point
    // by a few micrometres in a fixed pseudo-random way puts them in general position, far
    // below anything a shadow shows.
    struct D3 {
        double x, y, z;
        D3 operator-(const D3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    };
    auto dotD = [](const D3& a, const D3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    auto crossD = [](const D3& a, const D3& b) {
        return D3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    };
    constexpr double kWeld = 1e-4; // the lathes repeat their seam and hard edges
    std::vector<Vec3> original;
    for (const Vertex& v : mesh.vertices) {
        bool seen = false;
        for (const Vec3& p : original)
            seen = seen || length(p - v.pos) < kWeld;
        if (!seen)
            original.push_back(v.pos);
    }
    if (original.size() < 4)
        return {};
    std::vector<D3> points;
    unsigned seed = 12345;
    auto nudge = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (double((seed >> 8) & 0xffff) / 65535.0 - 0.5) * 4e-6;
    };
    for (const Vec3& p : original)
        points.push_back({p.x + nudge(), p.y + nudge(), p.z + nudge()});

    struct Face {
        unsigned a, b, c;
        D3 normal; // not normalised: the sign is all the visibility test needs
    };
    auto makeFace = [&](unsigned a, unsigned b, unsigned c) {
        return Face{a, b, c, crossD(points[b] - points[a], points[c] - points[a])};
    };
    auto above = [&](const Face& f, unsigned p) {
        return dotD(f.normal, points[p] - points[f.a]) > 1e-14;
    };
    // A first tetrahedron from four points far from each other's line and plane.
    unsigned i0 = 0, i1 = 0;
    for (unsigned i = 1; i < points.size(); ++i) {
        if (points[i].x < points[i0].x)
            i0 = i;
        if (points[i].x > points[i1].x)
            i1 = i;
    }
    unsigned i2 = i0, i3 = i0;
    double best = 0;
    for (unsigned i = 0; i < points.size(); ++i) {
        const D3 n = crossD(points[i1] - points[i0], points[i] - points[i0]);
        if (dotD(n, n) > best)
            best = dotD(n, n), i2 = i;
    }
    const Face base = makeFace(i0, i1, i2);
    best = 0;
    for (unsigned i = 0; i < points.size(); ++i) {
        const double d = std::fabs(dotD(base.normal, points[i] - points[i0]));
        if (d > best)
            best = d, i3 = i;
    }
    if (best <= 0 || i2 == i0 || i3 == i0)
        return {};
    // Wound so that the fourth point lies behind every face.
    const bool flip = above(base, i3);
    const unsigned a = i0, b = flip ? i2 : i1, c = flip ? i1 : i2;
    std::vector<Face> faces;
    faces.push_back(makeFace(a, b, c));
    faces.push_back(makeFace(a, i3, b));
    faces.push_back(makeFace(b, i3, c));
    faces.push_back(makeFace(c, i3, a));
    // Each further point outside the hull replaces the faces it sees by a fan from their
    // horizon to it.
    for (unsigned p = 0; p < points.size(); ++p) {
        std::vector<std::pair<unsigned, unsigned>> edges;
        std::vector<Face> kept;
        for (const Face& f : faces) {
            if (!above(f, p)) {
                kept.push_back(f);
                continue;
            }
            edges.emplace_back(f.a, f.b);
            edges.emplace_back(f.b, f.c);
            edges.emplace_back(f.c, f.a);
        }
        if (edges.empty())
            continue;
        for (const auto& e : edges)
            if (std::find(edges.begin(), edges.end(), std::make_pair(e.second, e.first)) ==
                edges.end())
                kept.push_back(makeFace(e.first, e.second, p));
        faces = std::move(kept);
    }
    TriMesh hull;
    std::vector<int> index(points.size(), -1);
    for (const Face& f : faces)
        for (unsigned v : {f.a, f.b, f.c}) {
            if (index[v] < 0) {
                index[v] = int(hull.vertices.size());
                hull.vertices.push_back({original[v], Vec3{0, 1, 0}, 0, 0});
            }
            hull.indices.push_back(unsigned(index[v]));
        }
    smoothNormals(hull);
    return hull;
}

namespace {

// The piece whose hull "<piece>_caster" names, or empty for any other name.
std::string hullOf(const std::string& name) {
    const std::string suffix = "_caster";
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        return name.substr(0, name.size() - suffix.size());
    return {};
}

} // namespace

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
    if (const std::string piece = hullOf(name); !piece.empty())
        return convexHull(buildShape(piece));
    return {};
}

bool castsShadow(const std::string& name) {
    return name == "arrow" || !hullOf(name).empty();
}

} // namespace meshgen
