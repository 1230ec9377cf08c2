// SPDX-License-Identifier: MIT
#include "models.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace {

constexpr float pi = 3.14159265358979f;

struct V3 {
    float x = 0, y = 0, z = 0;
};

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalised(V3 a) {
    float length = std::sqrt(dot(a, a));
    return length > 0.0f ? a * (1.0f / length) : V3{0, 0, 1};
}

// A rotation as three column vectors.
struct Basis {
    V3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    V3 apply(V3 v) const { return x * v.x + y * v.y + z * v.z; }
};

Basis rotation(V3 axis, float angle) {
    axis = normalised(axis);
    float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    auto column = [&](V3 e) {
        // Rodrigues: v cos + (k x v) sin + k (k.v)(1 - cos)
        return e * c + cross(axis, e) * s + axis * (dot(axis, e) * t);
    };
    return {column({1, 0, 0}), column({0, 1, 0}), column({0, 0, 1})};
}

Basis compose(const Basis& outer, const Basis& inner) {
    return {outer.apply(inner.x), outer.apply(inner.y), outer.apply(inner.z)};
}

// Collects vertices and triangles with per-corner normals, group by group.
class MeshBuilder {
public:
    int addMaterial(const std::string& name, const float diffuse[3], float shininess, float glow) {
        Ms3dMaterialRecord m;
        m.name = name;
        for (int c = 0; c < 3; ++c) {
            m.ambient[c] = diffuse[c] * 0.6f;
            m.diffuse[c] = diffuse[c];
            m.specular[c] = 0.35f;
            m.emissive[c] = diffuse[c] * glow;
        }
        m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = 1.0f;
        m.shininess = shininess;
        m.transparency = 1.0f;
        file_.materials.push_back(m);
        return int(file_.materials.size()) - 1;
    }

    void beginGroup(const std::string& name, int material) {
        Ms3dGroupRecord g;
        g.name = name;
        g.materialIndex = int8_t(material);
        file_.groups.push_back(g);
    }

    int addVertex(V3 p) {
        Ms3dVertexRecord v;
        v.x = p.x;
        v.y = p.y;
        v.z = p.z;
        file_.vertices.push_back(v);
        normals_.push_back({0, 0, 0});
        return int(file_.vertices.size()) - 1;
    }

    void setNormal(int vertex, V3 n) { normals_[size_t(vertex)] = normalised(n); }

    V3 position(int vertex) const {
        const Ms3dVertexRecord& v = file_.vertices[size_t(vertex)];
        return {v.x, v.y, v.z};
    }

    // Corners counter-clockwise seen from the side the triangle faces.
    void addTriangle(int a, int b, int c, float sa = 0, float ta = 0, float sb = 0, float tb = 0, float sc = 0,
                     float tc = 0) {
        // Front faces are counter-clockwise and culled otherwise: wind every
        // triangle so that it faces the way its corner normals point.
        V3 pa = position(a), pb = position(b), pc = position(c);
        V3 facing = cross(pb - pa, pc - pa);
        V3 wanted = normals_[size_t(a)] + normals_[size_t(b)] + normals_[size_t(c)];
        if (dot(facing, wanted) < 0.0f) {
            std::swap(b, c);
            std::swap(sb, sc);
            std::swap(tb, tc);
        }
        Ms3dTriangleRecord t;
        int corners[3] = {a, b, c};
        float s[3] = {sa, sb, sc}, tt[3] = {ta, tb, tc};
        for (int k = 0; k < 3; ++k) {
            t.vertexIndices[k] = uint16_t(corners[k]);
            V3 n = normals_[size_t(corners[k])];
            t.normals[k][0] = n.x;
            t.normals[k][1] = n.y;
            t.normals[k][2] = n.z;
            t.s[k] = s[k];
            t.t[k] = tt[k];
        }
        t.groupIndex = uint8_t(file_.groups.size() - 1);
        file_.groups.back().triangleIndices.push_back(uint16_t(file_.triangles.size()));
        file_.triangles.push_back(t);
    }

    // A grid of rows x columns vertices given by a function of (u, v) in
    // [0,1]^2 returning position and normal; wraps in u when closedU.
    // doubleSided adds the back face with reversed winding and normals.
    template <typename Surface>
    void addSurface(int rows, int columns, bool closedU, bool doubleSided, Surface surface) {
        for (int side = 0; side < (doubleSided ? 2 : 1); ++side) {
            int first = int(file_.vertices.size());
            int uCount = closedU ? columns : columns + 1;
            for (int r = 0; r <= rows; ++r)
                for (int c = 0; c < uCount; ++c) {
                    V3 p, n;
                    surface(float(c) / float(columns), float(r) / float(rows), p, n);
                    int v = addVertex(p);
                    setNormal(v, side ? n * -1.0f : n);
                }
            auto index = [&](int r, int c) { return first + r * uCount + (closedU ? c % columns : c); };
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c) {
                    int a = index(r, c), b = index(r, c + 1), d = index(r + 1, c), e = index(r + 1, c + 1);
                    float u0 = float(c) / float(columns), u1 = float(c + 1) / float(columns);
                    float v0 = float(r) / float(rows), v1 = float(r + 1) / float(rows);
                    if (side == 0) {
                        addTriangle(a, b, e, u0, v0, u1, v0, u1, v1);
                        addTriangle(a, e, d, u0, v0, u1, v1, u0, v1);
                    } else {
                        addTriangle(a, e, b, u0, v0, u1, v1, u1, v0);
                        addTriangle(a, d, e, u0, v0, u0, v1, u1, v1);
                    }
                }
        }
    }

    Ms3dFile take() { return std::move(file_); }

private:
    Ms3dFile file_;
    std::vector<V3> normals_;
};

// -------------------------------------------------------------------- flower

// The stem's centre line: from the ground up, with a gentle S curve.
V3 stemPoint(float t) { return {18.0f * std::sin(t * pi * 1.3f), -14.0f * std::sin(t * pi), -320.0f + 560.0f * t}; }

}  // namespace

Ms3dFile buildFlower() {
    MeshBuilder mesh;
    const float stemGreen[3] = {0.20f, 0.55f, 0.16f};
    const float leafGreen[3] = {0.16f, 0.62f, 0.22f};
    const float petalPink[3] = {0.95f, 0.35f, 0.72f};
    const float centreGold[3] = {1.0f, 0.78f, 0.12f};
    int stemMaterial = mesh.addMaterial("stem", stemGreen, 10.0f, 0.10f);
    int leafMaterial = mesh.addMaterial("leaf", leafGreen, 20.0f, 0.10f);
    int petalMaterial = mesh.addMaterial("petal", petalPink, 30.0f, 0.16f);
    int centreMaterial = mesh.addMaterial("centre", centreGold, 60.0f, 0.20f);

    // Stem: a tube along the curve, thinner towards the head.
    mesh.beginGroup("stem", stemMaterial);
    mesh.addSurface(24, 12, true, false, [](float u, float v, V3& p, V3& n) {
        V3 centre = stemPoint(v);
        V3 tangent = normalised(stemPoint(std::min(1.0f, v + 0.01f)) - stemPoint(std::max(0.0f, v - 0.01f)));
        V3 side = normalised(cross(tangent, {0, 1, 0}));
        V3 other = cross(tangent, side);
        float a = -u * 2.0f * pi;  // clockwise in (side, other) so triangles face outwards
        n = side * std::cos(a) + other * std::sin(a);
        p = centre + n * (11.0f - 4.0f * v);
    });

    // Two leaves springing from the stem, arching out and drooping.
    mesh.beginGroup("leaves", leafMaterial);
    for (int leaf = 0; leaf < 2; ++leaf) {
        float rootT = leaf ? 0.34f : 0.22f;
        float heading = leaf ? 2.4f : -0.6f;
        V3 root = stemPoint(rootT);
        V3 out{std::cos(heading), std::sin(heading), 0};
        V3 across{-out.y, out.x, 0};
        mesh.addSurface(14, 6, false, true, [=](float u, float v, V3& p, V3& n) {
            float length = 190.0f;
            float width = 38.0f * std::sin(v * pi) * (1.0f - 0.3f * v);
            float w = (u - 0.5f) * 2.0f;
            // Rises then droops; the blade is folded a little along its midrib.
            V3 spine = root + out * (length * v) + V3{0, 0, 110.0f * v - 150.0f * v * v};
            p = spine + across * (w * width) + V3{0, 0, 10.0f * std::fabs(w) * std::sin(v * pi)};
            V3 along = normalised(out * length + V3{0, 0, 110.0f - 300.0f * v});
            n = normalised(cross(across, along) + across * (-0.3f * w));
        });
    }

    // The head nods out from the top of the stem and looks along `face`:
    // sideways and a little down, the way the meadow's camera, below the
    // head and circling it as the scene turns, looks back at it. So the
    // golden centre faces the camera squarely twice in the scene, for a
    // couple of seconds each time; the rest of the turn shows the head from
    // the side and behind, closed by a green cup.
    const V3 face = normalised({-0.70f, -0.57f, -0.42f});
    const V3 ex = normalised(cross({0, 0, 1}, face)), ey = cross(face, ex);
    const float cupDepth = 34.0f;
    const V3 head = stemPoint(1.0f) + face * cupDepth;

    // Petals: twelve spoon-shaped blades in two rings, cupped towards the face.
    mesh.beginGroup("petals", petalMaterial);
    for (int p = 0; p < 12; ++p) {
        float angle = float(p) / 12.0f * 2.0f * pi + (p % 2 ? 0.13f : 0.0f);
        float length = p % 2 ? 120.0f : 140.0f;
        float lift = p % 2 ? 0.42f : 0.28f;
        V3 out = ex * std::cos(angle) + ey * std::sin(angle);
        V3 across = ex * -std::sin(angle) + ey * std::cos(angle);
        mesh.addSurface(8, 4, false, true, [=](float u, float v, V3& pos, V3& n) {
            float width = 30.0f * std::sin(std::pow(v, 0.7f) * pi) + 4.0f;
            float w = (u - 0.5f) * 2.0f;
            float r = 22.0f + length * v;
            float rise = r * lift + 18.0f * v * v;
            pos = head + out * r + face * (rise + 6.0f * w * w) + across * (w * width);
            V3 along = normalised(out * length + face * (length * lift + 36.0f * v));
            n = normalised(cross(along, across) * -1.0f + across * (-0.4f * w));
            if (dot(n, face) < 0) n = n * -1.0f;
        });
    }

    // Centre: a flattened dome on a flat golden disc that reaches under the
    // petals' roots, so that no gap between the petals shows through.
    mesh.beginGroup("centre", centreMaterial);
    mesh.addSurface(8, 16, true, false, [=](float u, float v, V3& p, V3& n) {
        float a = u * 2.0f * pi;
        float polar = v * pi * 0.5f;  // 0 at the top of the dome, pi/2 at its rim
        float r = 40.0f * std::sin(polar);
        float h = 22.0f * std::cos(polar);
        V3 radial = ex * std::cos(a) + ey * std::sin(a);
        p = head + radial * r + face * (h + 8.0f);
        n = normalised(radial * (std::sin(polar) / 40.0f) + face * (std::cos(polar) / 22.0f));
    });
    const float discRadius = 66.0f, discHeight = 9.0f;
    mesh.addSurface(2, 24, true, true, [=](float u, float v, V3& p, V3& n) {
        float a = u * 2.0f * pi;
        p = head + (ex * std::cos(a) + ey * std::sin(a)) * (discRadius * v) + face * (discHeight + 8.0f * v);
        n = face;
    });

    // The back of the head: a green cup from the disc's rim to the top of
    // the stem, closing the head from behind and from the side.
    mesh.beginGroup("cup", stemMaterial);
    mesh.addSurface(6, 24, true, true, [=](float u, float v, V3& p, V3& n) {
        float a = u * 2.0f * pi;
        V3 radial = ex * std::cos(a) + ey * std::sin(a);
        // v = 0 at the stem, 1 at the rim; a rounded, bowl-like profile.
        float r = discRadius * std::sin(v * pi * 0.5f) + 2.0f;
        float h = -cupDepth + (cupDepth + discHeight + 8.0f) * (1.0f - std::cos(v * pi * 0.5f));
        p = head + radial * r + face * h;
        // Outwards: across the profile, away from the inside of the bowl.
        n = normalised(radial * (0.77f * std::sin(v * pi * 0.5f)) - face * std::cos(v * pi * 0.5f));
    });
    // Built at a comfortable working size, then scaled up about its root so
    // that it holds its own over the grid from the scene's distant camera.
    Ms3dFile file = mesh.take();
    const float scale = 1.3f, rootZ = stemPoint(0.0f).z;
    for (Ms3dVertexRecord& v : file.vertices) {
        v.x *= scale;
        v.y *= scale;
        v.z = rootZ + (v.z - rootZ) * scale;
    }
    return file;
}

// -------------------------------------------------------------------- figure

namespace {

// The joints of the figure's skeleton, each a position and an orientation
// (the limb's own y axis runs along it from this joint to the next).
struct Joint {
    V3 position;
    Basis frame;
};

struct Skeleton {
    Joint pelvis, chest, neck, head;
    Joint upperArm[2], forearm[2], hand[2];
    Joint thigh[2], shin[2], foot[2];
};

// How much thicker than its skeleton's round numbers the figure is built;
// shoulders and hips move out with it so that the limbs clear the body.
constexpr float figureGirth = 1.5f;

// Walks down a chain: the child starts at the end of the parent's segment.
Joint child(const Joint& parent, float length, const Basis& bend) {
    return {parent.position + parent.frame.y * length, compose(parent.frame, bend)};
}

Skeleton poseSkeleton(FigurePose pose) {
    bool tall = pose == FigurePose::StandingTall;
    Skeleton s;
    // Pelvis at the origin; segments point along the joint's +y (up the
    // spine, down the limbs after their turn).
    float lean = tall ? -0.05f : 0.55f;      // forward bend of the spine (about x)
    float neckBend = tall ? -0.15f : 0.75f;  // head up or hanging
    s.pelvis = {{0, tall ? -5.0f : -22.0f, 0}, rotation({1, 0, 0}, tall ? 0.0f : 0.15f)};
    s.chest = child(s.pelvis, 22.0f, rotation({1, 0, 0}, lean));
    s.neck = child(s.chest, 46.0f, rotation({1, 0, 0}, lean * 0.6f));
    s.head = child(s.neck, 10.0f, rotation({1, 0, 0}, neckBend));
    for (int side = 0; side < 2; ++side) {
        float sign = side ? 1.0f : -1.0f;
        // Shoulders at the top of the chest; arms raised in a wide V when
        // tall, hanging forward and out when slumped.
        Joint shoulder{s.chest.position + s.chest.frame.y * 40.0f + s.chest.frame.x * (sign * 20.0f * figureGirth),
                       s.chest.frame};
        float raise = tall ? 2.3f : 0.5f;  // angle from hanging straight down
        float forward = tall ? 0.15f : 0.55f;
        Basis down = rotation({0, 0, 1}, pi);  // turn the segment to point downwards
        Basis arm = compose(rotation({0, 0, 1}, -sign * raise), compose(rotation({1, 0, 0}, -forward), down));
        s.upperArm[side] = {shoulder.position, compose(shoulder.frame, arm)};
        s.forearm[side] = child(s.upperArm[side], 32.0f, rotation({1, 0, 0}, tall ? -0.15f : -0.5f));
        s.hand[side] = child(s.forearm[side], 30.0f, rotation({1, 0, 0}, tall ? 0.0f : -0.2f));
        Joint hip{s.pelvis.position + s.pelvis.frame.x * (sign * 11.0f * figureGirth), s.pelvis.frame};
        float spread = tall ? 0.22f : 0.3f;
        float hipBend = tall ? 0.0f : 0.55f;  // thighs forward
        Basis leg = compose(rotation({0, 0, 1}, sign * spread), compose(rotation({1, 0, 0}, -hipBend), down));
        s.thigh[side] = {hip.position, compose(hip.frame, leg)};
        s.shin[side] = child(s.thigh[side], 44.0f, rotation({1, 0, 0}, tall ? 0.0f : 0.95f));
        s.foot[side] = child(s.shin[side], 42.0f, rotation({1, 0, 0}, tall ? 0.0f : -0.4f));
    }
    return s;
}

// An ellipsoid with semi-axes (a, b, c) along the joint's x, y, z, its
// centre `offset` along the joint's y: a limb segment, a head, a joint ball.
void addEllipsoid(MeshBuilder& mesh, const Joint& joint, float offset, float a, float b, float c, int rings,
                  int segments) {
    mesh.addSurface(rings, segments, true, false, [&](float u, float v, V3& p, V3& n) {
        float polar = v * pi;  // from the joint's -y end to its +y end
        float azimuth = -u * 2.0f * pi;
        V3 unit{std::sin(polar) * std::cos(azimuth), -std::cos(polar), std::sin(polar) * std::sin(azimuth)};
        V3 local{unit.x * a, unit.y * b + offset, unit.z * c};
        V3 localNormal{unit.x / a, unit.y / b, unit.z / c};
        p = joint.position + joint.frame.apply(local);
        n = joint.frame.apply(normalised(localNormal));
    });
}

}  // namespace

namespace {

Ms3dFile buildFigureMesh(FigurePose pose) {
    Skeleton s = poseSkeleton(pose);
    MeshBuilder mesh;
    const float wood[3] = {0.86f, 0.62f, 0.38f};
    const float joints[3] = {0.50f, 0.30f, 0.18f};
    int woodMaterial = mesh.addMaterial("wood", wood, 25.0f, 0.05f);
    int jointMaterial = mesh.addMaterial("joints", joints, 40.0f, 0.05f);

    // A stocky mannequin: every part half as thick again as the skeleton's
    // round numbers, so that the figure reads as a body rather than sticks.
    const float g = figureGirth;
    mesh.beginGroup("body", woodMaterial);
    addEllipsoid(mesh, s.pelvis, 8.0f, 17.0f * g, 13.0f, 11.0f * g, 10, 16);
    addEllipsoid(mesh, s.chest, 22.0f, 21.0f * g, 26.0f, 13.0f * g, 12, 18);
    addEllipsoid(mesh, s.head, 16.0f, 14.0f * g, 18.0f, 15.0f * g, 12, 18);
    for (int side = 0; side < 2; ++side) {
        addEllipsoid(mesh, s.upperArm[side], 16.0f, 6.5f * g, 17.0f, 6.5f * g, 8, 10);
        addEllipsoid(mesh, s.forearm[side], 15.0f, 5.5f * g, 16.0f, 5.5f * g, 8, 10);
        addEllipsoid(mesh, s.hand[side], 7.0f, 4.5f * g, 8.0f, 2.8f * g, 6, 8);
        addEllipsoid(mesh, s.thigh[side], 22.0f, 9.0f * g, 23.5f, 9.0f * g, 8, 12);
        addEllipsoid(mesh, s.shin[side], 21.0f, 7.0f * g, 22.5f, 7.0f * g, 8, 12);
    }
    mesh.beginGroup("joints", jointMaterial);
    addEllipsoid(mesh, s.neck, 4.0f, 5.0f * g, 7.0f, 5.0f * g, 6, 10);
    for (int side = 0; side < 2; ++side) {
        addEllipsoid(mesh, s.upperArm[side], 0.0f, 7.5f * g, 7.5f, 7.5f * g, 6, 10);
        addEllipsoid(mesh, s.forearm[side], 0.0f, 6.0f * g, 6.0f, 6.0f * g, 6, 10);
        addEllipsoid(mesh, s.thigh[side], 0.0f, 9.5f * g, 9.5f, 9.5f * g, 6, 10);
        addEllipsoid(mesh, s.shin[side], 0.0f, 7.5f * g, 7.5f, 7.5f * g, 6, 10);
        // A foot: a flattened ellipsoid pointing forward (+z) from the ankle.
        Joint ankle{s.foot[side].position, compose(s.foot[side].frame, rotation({1, 0, 0}, pi / 2))};
        addEllipsoid(mesh, ankle, -7.0f, 6.5f * g, 13.0f, 4.0f * g, 6, 10);
    }
    // The morph scene spins the figure about the origin: centre each pose
    // on its bounding box so that it turns in place.
    Ms3dFile file = mesh.take();
    V3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
    for (const Ms3dVertexRecord& v : file.vertices) {
        low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }
    V3 centre = (low + high) * 0.5f;
    // The skeleton is laid out in round numbers. The scene draws the figure
    // at half size with its camera 90 to 185 units away, so it is built
    // about 450 units tall: a third of the screen or more when the camera is
    // farthest, a close pass that runs off the edges when it is nearest,
    // and never reaching the camera's near plane.
    const float scale = 2.2f;
    // Stand the figure along the scene's spin axis (1, 1, 1), so that it
    // turns about its own height like a figure on a turntable; the camera,
    // always below and beside it, then sees it nearly full length.
    V3 up{0, 1, 0};
    V3 axis = normalised({1, 1, 1});
    Basis stand = rotation(cross(up, axis), std::acos(dot(up, axis)));
    for (Ms3dVertexRecord& v : file.vertices) {
        V3 p = stand.apply((V3{v.x, v.y, v.z} - centre) * scale);
        v.x = p.x;
        v.y = p.y;
        v.z = p.z;
    }
    for (Ms3dTriangleRecord& t : file.triangles)
        for (auto& n : t.normals) {
            V3 turned = stand.apply({n[0], n[1], n[2]});
            n[0] = turned.x;
            n[1] = turned.y;
            n[2] = turned.z;
        }
    return file;
}

}  // namespace

Ms3dFile buildFigure(FigurePose pose) {
    // Winding follows the normals, which could tip either way on the few
    // degenerate triangles at the poles of the ellipsoids; take every
    // triangle's corner order from the standing pose so that both files hold
    // exactly the same triangles.
    Ms3dFile reference = buildFigureMesh(FigurePose::StandingTall);
    if (pose == FigurePose::StandingTall) return reference;
    Ms3dFile file = buildFigureMesh(pose);
    for (size_t i = 0; i < file.triangles.size(); ++i) {
        Ms3dTriangleRecord& t = file.triangles[i];
        const Ms3dTriangleRecord& r = reference.triangles[i];
        if (t.vertexIndices[1] != r.vertexIndices[1]) {
            std::swap(t.vertexIndices[1], t.vertexIndices[2]);
            for (int c = 0; c < 3; ++c) std::swap(t.normals[1][c], t.normals[2][c]);
            std::swap(t.s[1], t.s[2]);
            std::swap(t.t[1], t.t[2]);
        }
    }
    return file;
}
