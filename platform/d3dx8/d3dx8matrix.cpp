// Matrix and quaternion functions of the D3DX math, row-vector convention.
#include <cmath>

#include "d3dx8/d3dx8math.h"

namespace {

D3DXMATRIX Zero() {
    D3DXMATRIX m;
    for (auto& row : m.m)
        for (float& f : row) f = 0.0f;
    return m;
}

// The view matrix whose rows hold the camera axes in its columns.
D3DXMATRIX ViewFromAxes(const D3DXVECTOR3& x, const D3DXVECTOR3& y, const D3DXVECTOR3& z, const D3DXVECTOR3& eye) {
    return D3DXMATRIX(x.x, y.x, z.x, 0.0f, x.y, y.y, z.y, 0.0f, x.z, y.z, z.z, 0.0f, -D3DXVec3Dot(&x, &eye),
                      -D3DXVec3Dot(&y, &eye), -D3DXVec3Dot(&z, &eye), 1.0f);
}

// Camera axes from a forward direction z and an up hint.
D3DXMATRIX LookAt(const D3DXVECTOR3& eye, D3DXVECTOR3 z, const D3DXVECTOR3& up) {
    D3DXVECTOR3 x, y;
    D3DXVec3Normalize(&z, &z);
    D3DXVec3Cross(&x, &up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    return ViewFromAxes(x, y, z, eye);
}

}  // namespace

// ---- D3DXMATRIX members ----
D3DXMATRIX::D3DXMATRIX(const float* f) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = f[i];
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11;
    _12 = f12;
    _13 = f13;
    _14 = f14;
    _21 = f21;
    _22 = f22;
    _23 = f23;
    _24 = f24;
    _31 = f31;
    _32 = f32;
    _33 = f33;
    _34 = f34;
    _41 = f41;
    _42 = f42;
    _43 = f43;
    _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) { return *D3DXMatrixMultiply(this, this, &mat); }
D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] += mat.m[i / 4][i % 4];
    return *this;
}
D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] -= mat.m[i / 4][i % 4];
    return *this;
}
D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
    for (auto& row : m)
        for (float& e : row) e *= f;
    return *this;
}
D3DXMATRIX& D3DXMATRIX::operator/=(float f) {
    for (auto& row : m)
        for (float& e : row) e /= f;
    return *this;
}
D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }
D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
    D3DXMATRIX r;
    return *D3DXMatrixMultiply(&r, this, &mat);
}
D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) += mat; }
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) -= mat; }
D3DXMATRIX D3DXMATRIX::operator*(float f) const { return D3DXMATRIX(*this) *= f; }
D3DXMATRIX D3DXMATRIX::operator/(float f) const { return D3DXMATRIX(*this) /= f; }
bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
    for (int i = 0; i < 16; ++i)
        if (m[i / 4][i % 4] != mat.m[i / 4][i % 4]) return false;
    return true;
}

// ---- Matrix functions ----
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = Zero();
    out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
    return out;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    return *m == id ? TRUE : FALSE;
}

namespace {

// Cofactor expansion in double so that an exactly singular float matrix gives exactly zero
// more often than float rounding would allow.
struct Cofactors {
    double c[4][4];  // c[i][j]: cofactor of element (i, j)
    double det;
};

Cofactors ComputeCofactors(const D3DXMATRIX& m) {
    auto a = [&](int r, int c) { return static_cast<double>(m.m[r][c]); };
    // 2x2 minors of the lower two rows and of the upper two rows.
    double s0 = a(0, 0) * a(1, 1) - a(1, 0) * a(0, 1);
    double s1 = a(0, 0) * a(1, 2) - a(1, 0) * a(0, 2);
    double s2 = a(0, 0) * a(1, 3) - a(1, 0) * a(0, 3);
    double s3 = a(0, 1) * a(1, 2) - a(1, 1) * a(0, 2);
    double s4 = a(0, 1) * a(1, 3) - a(1, 1) * a(0, 3);
    double s5 = a(0, 2) * a(1, 3) - a(1, 2) * a(0, 3);
    double c5 = a(2, 2) * a(3, 3) - a(3, 2) * a(2, 3);
    double c4 = a(2, 1) * a(3, 3) - a(3, 1) * a(2, 3);
    double c3 = a(2, 1) * a(3, 2) - a(3, 1) * a(2, 2);
    double c2 = a(2, 0) * a(3, 3) - a(3, 0) * a(2, 3);
    double c1 = a(2, 0) * a(3, 2) - a(3, 0) * a(2, 2);
    double c0 = a(2, 0) * a(3, 1) - a(3, 0) * a(2, 1);

    Cofactors r;
    r.det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    // Adjugate entries, stored transposed back into cofactor positions.
    double adj[4][4];
    adj[0][0] = a(1, 1) * c5 - a(1, 2) * c4 + a(1, 3) * c3;
    adj[0][1] = -a(0, 1) * c5 + a(0, 2) * c4 - a(0, 3) * c3;
    adj[0][2] = a(3, 1) * s5 - a(3, 2) * s4 + a(3, 3) * s3;
    adj[0][3] = -a(2, 1) * s5 + a(2, 2) * s4 - a(2, 3) * s3;
    adj[1][0] = -a(1, 0) * c5 + a(1, 2) * c2 - a(1, 3) * c1;
    adj[1][1] = a(0, 0) * c5 - a(0, 2) * c2 + a(0, 3) * c1;
    adj[1][2] = -a(3, 0) * s5 + a(3, 2) * s2 - a(3, 3) * s1;
    adj[1][3] = a(2, 0) * s5 - a(2, 2) * s2 + a(2, 3) * s1;
    adj[2][0] = a(1, 0) * c4 - a(1, 1) * c2 + a(1, 3) * c0;
    adj[2][1] = -a(0, 0) * c4 + a(0, 1) * c2 - a(0, 3) * c0;
    adj[2][2] = a(3, 0) * s4 - a(3, 1) * s2 + a(3, 3) * s0;
    adj[2][3] = -a(2, 0) * s4 + a(2, 1) * s2 - a(2, 3) * s0;
    adj[3][0] = -a(1, 0) * c3 + a(1, 1) * c1 - a(1, 2) * c0;
    adj[3][1] = a(0, 0) * c3 - a(0, 1) * c1 + a(0, 2) * c0;
    adj[3][2] = -a(3, 0) * s3 + a(3, 1) * s1 - a(3, 2) * s0;
    adj[3][3] = a(2, 0) * s3 - a(2, 1) * s1 + a(2, 2) * s0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.c[i][j] = adj[j][i];
    return r;
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return static_cast<float>(ComputeCofactors(*m).det); }

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m1->m[i][0] * m2->m[0][j] + m1->m[i][1] * m2->m[1][j] + m1->m[i][2] * m2->m[2][j] +
                        m1->m[i][3] * m2->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    D3DXMatrixMultiply(out, m1, m2);
    return D3DXMatrixTranspose(out, out);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    Cofactors cf = ComputeCofactors(*m);
    if (determinant) *determinant = static_cast<float>(cf.det);
    double inv = 1.0 / cf.det;
    if (cf.det == 0.0 || !std::isfinite(inv) || !std::isfinite(static_cast<float>(inv))) return nullptr;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = static_cast<float>(cf.c[j][i] * inv);
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    D3DXMatrixIdentity(out);
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f) return D3DXMatrixIdentity(out);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    *out =
        D3DXMATRIX(t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0.0f, t * v.x * v.y - s * v.z,
                   t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0.0f, t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x,
                   t * v.z * v.z + c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w), 0.0f,
                      2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w), 0.0f,
                      2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y), 0.0f, 0.0f, 0.0f,
                      0.0f, 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    D3DXMatrixMultiply(out, &rz, &rx);
    return D3DXMatrixMultiply(out, out, &ry);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    *out = LookAt(*eye, *eye - *at, *up);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    *out = LookAt(*eye, *at - *eye, *up);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = Zero();
    out->_11 = 2.0f * zn / w;
    out->_22 = 2.0f * zn / h;
    out->_33 = zf / (zn - zf);
    out->_34 = -1.0f;
    out->_43 = zn * zf / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = Zero();
    out->_11 = 2.0f * zn / w;
    out->_22 = 2.0f * zn / h;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = zn * zf / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovy / 2.0f);
    *out = Zero();
    out->_11 = ys / aspect;
    out->_22 = ys;
    out->_33 = zf / (zn - zf);
    out->_34 = -1.0f;
    out->_43 = zn * zf / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovy / 2.0f);
    *out = Zero();
    out->_11 = ys / aspect;
    out->_22 = ys;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = -zn * zf / (zf - zn);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / w;
    out->_22 = 2.0f / h;
    out->_33 = 1.0f / (zn - zf);
    out->_43 = zn / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / w;
    out->_22 = 2.0f / h;
    out->_33 = 1.0f / (zf - zn);
    out->_43 = zn / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
    D3DXMatrixOrthoOffCenterLH(out, l, r, b, t, zn, zf);
    out->_33 = -out->_33;
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / (r - l);
    out->_22 = 2.0f / (t - b);
    out->_33 = 1.0f / (zf - zn);
    out->_41 = (l + r) / (l - r);
    out->_42 = (t + b) / (b - t);
    out->_43 = zn / (zn - zf);
    return out;
}

// ---- Quaternions ----
D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) { return *D3DXQuaternionMultiply(this, this, &q); }
D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
    D3DXQUATERNION r;
    return *D3DXQuaternionMultiply(&r, this, &q);
}

float D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionLengthSq(q)); }
float D3DXQuaternionLengthSq(const D3DXQUATERNION* q) { return D3DXQuaternionDot(q, q); }
float D3DXQuaternionDot(const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
    return q1->x * q2->x + q1->y * q2->y + q1->z * q2->z + q1->w * q2->w;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q) {
    return (q->x == 0.0f && q->y == 0.0f && q->z == 0.0f && q->w == 1.0f) ? TRUE : FALSE;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
    // Hamilton product a b with a = q2, b = q1.
    const D3DXQUATERNION a = *q2, b = *q1;
    *out = D3DXQUATERNION(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float len = D3DXQuaternionLength(q);
    *out = len > 0.0f ? *q / len : D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float lsq = D3DXQuaternionLengthSq(q);
    if (!(lsq > 0.0f)) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    D3DXQuaternionConjugate(out, q);
    *out /= lsq;
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f) return D3DXQuaternionIdentity(out);
    const float s = std::sin(angle / 2.0f);
    *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle / 2.0f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
    const float trace = m->_11 + m->_22 + m->_33;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;
        *out = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, s / 4.0f);
    } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
        const float s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;
        *out = D3DXQUATERNION(s / 4.0f, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
    } else if (m->_22 >= m->_33) {
        const float s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;
        *out = D3DXQUATERNION((m->_12 + m->_21) / s, s / 4.0f, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
    } else {
        const float s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;
        *out = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, s / 4.0f, (m->_12 - m->_21) / s);
    }
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
    // Same order as the matrix: roll, then pitch, then yaw.
    const D3DXVECTOR3 ax(1.0f, 0.0f, 0.0f), ay(0.0f, 1.0f, 0.0f), az(0.0f, 0.0f, 1.0f);
    D3DXQUATERNION qr, qp, qy;
    D3DXQuaternionRotationAxis(&qr, &az, roll);
    D3DXQuaternionRotationAxis(&qp, &ax, pitch);
    D3DXQuaternionRotationAxis(&qy, &ay, yaw);
    D3DXQuaternionMultiply(out, &qr, &qp);
    return D3DXQuaternionMultiply(out, out, &qy);
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, float t) {
    D3DXQUATERNION b = *q2;
    float cosom = D3DXQuaternionDot(q1, q2);
    if (cosom < 0.0f) {
        cosom = -cosom;
        b = -b;
    }
    float k1 = 1.0f - t, k2 = t;
    if (cosom < 0.9999f) {
        const float omega = std::acos(cosom);
        const float sinom = std::sin(omega);
        k1 = std::sin((1.0f - t) * omega) / sinom;
        k2 = std::sin(t * omega) / sinom;
    }
    *out = *q1 * k1 + b * k2;
    return out;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle) {
    if (axis) *axis = D3DXVECTOR3(q->x, q->y, q->z);
    if (angle) *angle = 2.0f * std::acos(std::fmax(-1.0f, std::fmin(1.0f, q->w)));
}
