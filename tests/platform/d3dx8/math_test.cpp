// D3DX math against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "d3dx8/d3dx8math.h"

namespace {

constexpr float kPi = 3.14159265358979f;

D3DXMATRIX Rows3(float a, float b, float c, float d, float e, float f, float g, float h, float i) {
    return D3DXMATRIX(a, b, c, 0, d, e, f, 0, g, h, i, 0, 0, 0, 0, 1);
}

void ExpectMatrixNear(const D3DXMATRIX& got, const D3DXMATRIX& want, const std::string& what, float tol = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(got.m[r][c], want.m[r][c], tol) << what << " at _" << r + 1 << c + 1;
}

struct MatrixCase {
    const char* name;
    std::function<D3DXMATRIX()> compute;
    D3DXMATRIX want;
};

TEST(D3DXMath, MatricesMatchHandComputedValues) {
    const D3DXVECTOR3 zero(0, 0, 0), yUp(0, 1, 0);
    const MatrixCase cases[] = {
        {"PerspectiveFovLH(pi/2, 2, 1, 101)",
         [] { D3DXMATRIX m; return *D3DXMatrixPerspectiveFovLH(&m, kPi / 2, 2.0f, 1.0f, 101.0f); },
         D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0)},
        {"PerspectiveFovRH(pi/2, 1, 1, 101)",
         [] { D3DXMATRIX m; return *D3DXMatrixPerspectiveFovRH(&m, kPi / 2, 1.0f, 1.0f, 101.0f); },
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1.01f, -1, 0, 0, -1.01f, 0)},
        {"OrthoLH(4, 2, 1, 11)",
         [] { D3DXMATRIX m; return *D3DXMatrixOrthoLH(&m, 4, 2, 1, 11); },
         D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.1f, 0, 0, 0, -0.1f, 1)},
        {"OrthoOffCenterLH(0, 4, 0, 2, 0, 1)",
         [] { D3DXMATRIX m; return *D3DXMatrixOrthoOffCenterLH(&m, 0, 4, 0, 2, 0, 1); },
         D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -1, 0, 1)},
        {"LookAtRH from +z towards the origin",
         [&] { D3DXMATRIX m; D3DXVECTOR3 eye(0, 0, 5); return *D3DXMatrixLookAtRH(&m, &eye, &zero, &yUp); },
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1)},
        {"LookAtRH from +x towards the origin",
         [&] { D3DXMATRIX m; D3DXVECTOR3 eye(2, 0, 0); return *D3DXMatrixLookAtRH(&m, &eye, &zero, &yUp); },
         D3DXMATRIX(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -2, 1)},
        {"LookAtLH from -z towards the origin",
         [&] { D3DXMATRIX m; D3DXVECTOR3 eye(0, 0, -5); return *D3DXMatrixLookAtLH(&m, &eye, &zero, &yUp); },
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1)},
        {"LookAtLH from +x, up not perpendicular",
         [&] { D3DXMATRIX m; D3DXVECTOR3 eye(3, 0, 0), up(1, 1, 0); return *D3DXMatrixLookAtLH(&m, &eye, &zero, &up); },
         D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 3, 1)},
        {"YawPitchRoll yaw only",
         [] { D3DXMATRIX m; return *D3DXMatrixRotationYawPitchRoll(&m, kPi / 2, 0, 0); },
         Rows3(0, 0, -1, 0, 1, 0, 1, 0, 0)},
        {"YawPitchRoll yaw and pitch: Rx * Ry",
         [] { D3DXMATRIX m; return *D3DXMatrixRotationYawPitchRoll(&m, kPi / 2, kPi / 2, 0); },
         Rows3(0, 0, -1, 1, 0, 0, 0, -1, 0)},
        {"YawPitchRoll all three: Rz * Rx * Ry",
         [] { D3DXMATRIX m; return *D3DXMatrixRotationYawPitchRoll(&m, kPi / 2, kPi / 2, kPi / 2); },
         Rows3(1, 0, 0, 0, 0, 1, 0, -1, 0)},
        {"RotationX(pi/2)", [] { D3DXMATRIX m; return *D3DXMatrixRotationX(&m, kPi / 2); },
         Rows3(1, 0, 0, 0, 0, 1, 0, -1, 0)},
        {"RotationZ(pi/2)", [] { D3DXMATRIX m; return *D3DXMatrixRotationZ(&m, kPi / 2); },
         Rows3(0, 1, 0, -1, 0, 0, 0, 0, 1)},
        {"RotationAxis about an unnormalised z equals RotationZ",
         [] { D3DXMATRIX m; D3DXVECTOR3 a(0, 0, 3); return *D3DXMatrixRotationAxis(&m, &a, kPi / 2); },
         Rows3(0, 1, 0, -1, 0, 0, 0, 0, 1)},
        {"RotationAxis half turn about (1,1,0) swaps x and y",
         [] { D3DXMATRIX m; D3DXVECTOR3 a(1, 1, 0); return *D3DXMatrixRotationAxis(&m, &a, kPi); },
         Rows3(0, 1, 0, 1, 0, 0, 0, 0, -1)},
        {"RotationAxis about a zero axis is the identity",
         [] { D3DXMATRIX m; D3DXVECTOR3 a(0, 0, 0); return *D3DXMatrixRotationAxis(&m, &a, 1.0f); },
         Rows3(1, 0, 0, 0, 1, 0, 0, 0, 1)},
        {"Translation * Scaling scales the translation",
         [] { D3DXMATRIX t, s; D3DXMatrixTranslation(&t, 1, 2, 3); D3DXMatrixScaling(&s, 2, 2, 2); return t * s; },
         D3DXMATRIX(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 2, 4, 6, 1)},
        {"Scaling * Translation keeps it",
         [] { D3DXMATRIX t, s; D3DXMatrixTranslation(&t, 1, 2, 3); D3DXMatrixScaling(&s, 2, 2, 2); return s * t; },
         D3DXMATRIX(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1)},
        {"Multiply in place over its first input",
         [] { D3DXMATRIX a, b; D3DXMatrixRotationZ(&a, kPi / 2); D3DXMatrixTranslation(&b, 1, 0, 0);
              return *D3DXMatrixMultiply(&a, &a, &b); },
         D3DXMATRIX(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1)},
        {"Transpose",
         [] { D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16); return *D3DXMatrixTranspose(&m, &m); },
         D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16)},
        {"Inverse of scaling then translation",
         [] { D3DXMATRIX s, t, inv; D3DXMatrixScaling(&s, 2, 4, 8); D3DXMatrixTranslation(&t, 1, 2, 3);
              D3DXMATRIX m = s * t; return *D3DXMatrixInverse(&inv, nullptr, &m); },
         D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.5f, -0.375f, 1)},
        {"Fish world for heading +z: Scaling * Inverse(LookAtRH) * Translation",
         [&] { D3DXMATRIX s, look, inv, t; D3DXVECTOR3 h(0, 0, 1);
               D3DXMatrixScaling(&s, 2, 2, 2); D3DXMatrixLookAtRH(&look, &zero, &h, &yUp);
               D3DXMatrixInverse(&inv, nullptr, &look); D3DXMatrixTranslation(&t, 5, 6, 7); return s * inv * t; },
         D3DXMATRIX(-2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -2, 0, 5, 6, 7, 1)},
    };
    for (const MatrixCase& c : cases) ExpectMatrixNear(c.compute(), c.want, c.name);
}

TEST(D3DXMath, InverseReportsDeterminantAndRefusesSingularMatrices) {
    D3DXMATRIX m(1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 5, 0, 1, 1, 1, 1), inv;
    float det = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
    EXPECT_FLOAT_EQ(det, -10.0f);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&m), -10.0f);
    D3DXMATRIX id;
    ExpectMatrixNear(m * inv, *D3DXMatrixIdentity(&id), "m * inverse(m)");

    const D3DXMATRIX singular[] = {
        D3DXMATRIX(1, 2, 3, 4, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0, 0, 1),  // equal rows
        D3DXMATRIX(1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1),  // dependent rows
        D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),  // zero
        D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1),  // flattened z
    };
    for (const D3DXMATRIX& s : singular) {
        D3DXMATRIX out(7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7), before = out;
        det = 99;
        EXPECT_EQ(D3DXMatrixInverse(&out, &det, &s), nullptr);
        EXPECT_EQ(det, 0.0f);
        EXPECT_EQ(out, before) << "a failed inverse must leave its output alone";
    }
}

TEST(D3DXMath, VectorTransformsAndNormalize) {
    D3DXMATRIX proj, t;
    D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 2.0f, 1.0f, 101.0f);
    D3DXMatrixTranslation(&t, 5, 6, 7);
    struct Case {
        const char* name;
        D3DXVECTOR3 got;
        D3DXVECTOR3 want;
    };
    auto coord = [](D3DXVECTOR3 v, const D3DXMATRIX& m) { return *D3DXVec3TransformCoord(&v, &v, &m); };
    auto normal = [](D3DXVECTOR3 v, const D3DXMATRIX& m) { return *D3DXVec3TransformNormal(&v, &v, &m); };
    auto unit = [](D3DXVECTOR3 v) { return *D3DXVec3Normalize(&v, &v); };
    auto cross = [](D3DXVECTOR3 a, D3DXVECTOR3 b) {
        D3DXVECTOR3 r;
        return *D3DXVec3Cross(&r, &a, &b);
    };
    const Case cases[] = {
        {"near plane maps to depth 0", coord({0, 0, 1}, proj), {0, 0, 0}},
        {"far plane maps to depth 1", coord({0, 0, 101}, proj), {0, 0, 1}},
        {"midway depth divides by w", coord({2, 1, 51}, proj), {1.0f / 51, 1.0f / 51, 50.5f / 51}},
        {"translation moves points", coord({1, 2, 3}, t), {6, 8, 10}},
        {"translation leaves normals", normal({1, 2, 3}, t), {1, 2, 3}},
        {"normalize", unit({3, 0, 4}), {0.6f, 0, 0.8f}},
        {"zero stays zero", unit({0, 0, 0}), {0, 0, 0}},
        {"x cross y is z", cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1}},
        {"y cross x is -z", cross({0, 1, 0}, {1, 0, 0}), {0, 0, -1}},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.got.x, c.want.x, 1e-5f) << c.name;
        EXPECT_NEAR(c.got.y, c.want.y, 1e-5f) << c.name;
        EXPECT_NEAR(c.got.z, c.want.z, 1e-5f) << c.name;
    }
    D3DXVECTOR3 v(1, 2, 2);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 3.0f);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&v), 9.0f);
    D3DXVECTOR4 h;
    D3DXVec3Transform(&h, &v, &proj);
    EXPECT_FLOAT_EQ(h.w, 2.0f);
}

TEST(D3DXMath, PlanesFromPoints) {
    struct Case {
        D3DXVECTOR3 p1, p2, p3;
        D3DXPLANE want;
    };
    const Case cases[] = {
        {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0, 0}},
        {{0, 2, 0}, {0, 2, 1}, {1, 2, 0}, {0, 1, 0, -2}},
        {{0, 0, 3}, {2, 0, 3}, {0, 5, 3}, {0, 0, 1, -3}},  // unit normal whatever the edge lengths
        {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {0, 0, 0, 0}},   // collinear: no normal, no NaN
    };
    for (const Case& c : cases) {
        D3DXPLANE p;
        ASSERT_EQ(D3DXPlaneFromPoints(&p, &c.p1, &c.p2, &c.p3), &p);
        EXPECT_NEAR(p.a, c.want.a, 1e-6f);
        EXPECT_NEAR(p.b, c.want.b, 1e-6f);
        EXPECT_NEAR(p.c, c.want.c, 1e-6f);
        EXPECT_NEAR(p.d, c.want.d, 1e-6f);
    }
    D3DXPLANE ground(0, 1, 0, -2);
    D3DXVECTOR3 a(1, 5, 1), b(1, -5, 1), hit, above(0, 3, 0);
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &ground, &a, &b), nullptr);
    EXPECT_EQ(hit, D3DXVECTOR3(1, 2, 1));
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&ground, &above), 1.0f);
    D3DXVECTOR3 c(0, 5, 0), d(1, 5, 0);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &ground, &c, &d), nullptr);
}

TEST(D3DXMath, QuaternionsAgreeWithMatrices) {
    const D3DXVECTOR3 ax(1, 0, 0), ay(0, 1, 0), skew(1, -2, 0.5f);
    D3DXQUATERNION qx, qy, qs, q;
    D3DXQuaternionRotationAxis(&qx, &ax, kPi / 2);
    D3DXQuaternionRotationAxis(&qy, &ay, kPi / 2);
    D3DXQuaternionRotationAxis(&qs, &skew, 0.7f);

    // Half angles by hand.
    const float h = std::sqrt(0.5f);
    EXPECT_NEAR(qx.x, h, 1e-6f);
    EXPECT_NEAR(qx.w, h, 1e-6f);

    D3DXMATRIX mx, my, ms, got, want;
    D3DXMatrixRotationX(&mx, kPi / 2);
    D3DXMatrixRotationY(&my, kPi / 2);
    D3DXMatrixRotationAxis(&ms, &skew, 0.7f);
    ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&got, &qs), ms, "axis quaternion");
    // Multiply(q1, q2) is q1 then q2, as the matrices' product.
    D3DXQuaternionMultiply(&q, &qx, &qy);
    ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&got, &q), mx * my, "Multiply(qx, qy)");
    const D3DXQUATERNION product = qx * qy;
    ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&got, &product), mx * my, "operator*");

    D3DXQuaternionRotationYawPitchRoll(&q, 0.3f, -1.1f, 2.0f);
    D3DXMatrixRotationYawPitchRoll(&want, 0.3f, -1.1f, 2.0f);
    ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&got, &q), want, "yaw-pitch-roll");

    // Back from matrices, on every branch of the extraction (the sign of a quaternion is free).
    const float angles[] = {0.2f, 2.0f, 3.1f};
    const D3DXVECTOR3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    for (float a : angles)
        for (const D3DXVECTOR3& axis : axes) {
            D3DXMatrixRotationAxis(&want, &axis, a);
            D3DXQuaternionRotationMatrix(&q, &want);
            EXPECT_NEAR(D3DXQuaternionLength(&q), 1.0f, 1e-5f);
            ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&got, &q), want, "matrix round trip");
        }

    D3DXQUATERNION id, zero(0, 0, 0, 0), inv;
    D3DXQuaternionIdentity(&id);
    EXPECT_TRUE(D3DXQuaternionIsIdentity(&id));
    D3DXVECTOR3 none(0, 0, 0);
    EXPECT_TRUE(D3DXQuaternionIsIdentity(D3DXQuaternionRotationAxis(&q, &none, 1.0f)));
    EXPECT_EQ(*D3DXQuaternionNormalize(&q, &zero), zero);
    D3DXQuaternionInverse(&inv, &qs);
    D3DXQuaternionMultiply(&q, &qs, &inv);
    EXPECT_NEAR(q.w, 1.0f, 1e-6f);
    const D3DXQUATERNION diff = q - id;
    EXPECT_NEAR(D3DXQuaternionLength(&diff), 0.0f, 1e-6f);

    // Slerp halfway between identity and a quarter turn is the eighth turn, also from the
    // far side of the double cover.
    D3DXQUATERNION half, eighth, far = -qx;
    D3DXQuaternionRotationAxis(&eighth, &ax, kPi / 4);
    D3DXQuaternionSlerp(&half, &id, &qx, 0.5f);
    EXPECT_NEAR(D3DXQuaternionDot(&half, &eighth), 1.0f, 1e-5f);
    D3DXQuaternionSlerp(&half, &id, &far, 0.5f);
    EXPECT_NEAR(D3DXQuaternionDot(&half, &eighth), 1.0f, 1e-5f);
}

TEST(D3DXMath, ColoursPackAndClamp) {
    struct Case {
        D3DXCOLOR colour;
        DWORD packed;
    };
    const Case cases[] = {
        {D3DXCOLOR(1, 0, 0, 1), 0xFFFF0000u},
        {D3DXCOLOR(1.5f, -1, 0.5f, 1), 0xFFFF0080u},
        {D3DXCOLOR(0, 0, 0, 0), 0x00000000u},
        {D3DXCOLOR(0x80402010u), 0x80402010u},
    };
    for (const Case& c : cases) EXPECT_EQ(static_cast<DWORD>(c.colour), c.packed);
    D3DXCOLOR c(0x80FF0000u);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
}

}  // namespace
