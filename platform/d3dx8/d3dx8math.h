// D3DX math: vectors, matrices, quaternions, planes and colours with their operations.
//
// Row-vector convention throughout: a point transforms as p' = p * M, the translation sits in the
// fourth row, and A * B applies A first. Projection and view helpers come in left- and
// right-handed forms with Direct3D's 0..1 depth range. Every function returns its output pointer
// (or nullptr where stated) so calls can be nested.
#pragma once

#include "d3d8/d3d8types.h"

constexpr float D3DX_PI = 3.141592654f;
constexpr float D3DX_1BYPI = 0.318309886f;
constexpr float D3DXToRadian(float degree) { return degree * (D3DX_PI / 180.0f); }
constexpr float D3DXToDegree(float radian) { return radian * (180.0f / D3DX_PI); }

// ---- 2D vector ----
struct D3DXVECTOR2 {
    float x;
    float y;

    D3DXVECTOR2() = default;
    explicit D3DXVECTOR2(const float* f) : x(f[0]), y(f[1]) {}
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) {
        x += v.x;
        y += v.y;
        return *this;
    }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    D3DXVECTOR2& operator*=(float f) {
        x *= f;
        y *= f;
        return *this;
    }
    D3DXVECTOR2& operator/=(float f) {
        x /= f;
        y /= f;
        return *this;
    }

    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return {-x, -y}; }
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return {x + v.x, y + v.y}; }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return {x - v.x, y - v.y}; }
    D3DXVECTOR2 operator*(float f) const { return {x * f, y * f}; }
    D3DXVECTOR2 operator/(float f) const { return {x / f, y / f}; }
    friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return v * f; }

    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

// ---- 3D vector ----
struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() = default;
    explicit D3DXVECTOR3(const float* f) {
        x = f[0];
        y = f[1];
        z = f[2];
    }
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    D3DXVECTOR3(float fx, float fy, float fz) {
        x = fx;
        y = fy;
        z = fz;
    }

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    D3DXVECTOR3& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator*(float f) const { return {x * f, y * f, z * f}; }
    D3DXVECTOR3 operator/(float f) const { return {x / f, y / f, z / f}; }
    friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

// ---- 4D vector ----
struct D3DXVECTOR4 {
    float x;
    float y;
    float z;
    float w;

    D3DXVECTOR4() = default;
    explicit D3DXVECTOR4(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        w += v.w;
        return *this;
    }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        w -= v.w;
        return *this;
    }
    D3DXVECTOR4& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXVECTOR4& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        w /= f;
        return *this;
    }

    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return {-x, -y, -z, -w}; }
    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return {x + v.x, y + v.y, z + v.z, w + v.w}; }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return {x - v.x, y - v.y, z - v.z, w - v.w}; }
    D3DXVECTOR4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
    D3DXVECTOR4 operator/(float f) const { return {x / f, y / f, z / f, w / f}; }
    friend D3DXVECTOR4 operator*(float f, const D3DXVECTOR4& v) { return v * f; }

    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

// ---- 4x4 matrix ----
struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() = default;
    explicit D3DXMATRIX(const float* f);
    D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
               float f32, float f33, float f34, float f41, float f42, float f43, float f44);

    float& operator()(unsigned row, unsigned col) { return m[row][col]; }
    float operator()(unsigned row, unsigned col) const { return m[row][col]; }

    operator float*() { return &_11; }
    operator const float*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator*=(float f);
    D3DXMATRIX& operator/=(float f);

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const;
    D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator*(float f) const;
    D3DXMATRIX operator/(float f) const;
    friend D3DXMATRIX operator*(float f, const D3DXMATRIX& mat) { return mat * f; }

    bool operator==(const D3DXMATRIX& mat) const;
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

// ---- Quaternion (x, y, z vector part, w scalar part) ----
struct D3DXQUATERNION {
    float x;
    float y;
    float z;
    float w;

    D3DXQUATERNION() = default;
    explicit D3DXQUATERNION(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q) {
        x += q.x;
        y += q.y;
        z += q.z;
        w += q.w;
        return *this;
    }
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q) {
        x -= q.x;
        y -= q.y;
        z -= q.z;
        w -= q.w;
        return *this;
    }
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXQUATERNION& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        w /= f;
        return *this;
    }

    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return {-x, -y, -z, -w}; }
    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const { return {x + q.x, y + q.y, z + q.z, w + q.w}; }
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const { return {x - q.x, y - q.y, z - q.z, w - q.w}; }
    // q1 * q2 is the rotation q1 followed by q2, as D3DXQuaternionMultiply.
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
    D3DXQUATERNION operator/(float f) const { return {x / f, y / f, z / f, w / f}; }
    friend D3DXQUATERNION operator*(float f, const D3DXQUATERNION& q) { return q * f; }

    bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
    bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

// ---- Plane a*x + b*y + c*z + d = 0 ----
struct D3DXPLANE {
    float a;
    float b;
    float c;
    float d;

    D3DXPLANE() = default;
    explicit D3DXPLANE(const float* f) : a(f[0]), b(f[1]), c(f[2]), d(f[3]) {}
    D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator float*() { return &a; }
    operator const float*() const { return &a; }

    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return {-a, -b, -c, -d}; }

    bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

// ---- Colour, components nominally 0..1 ----
struct D3DXCOLOR {
    float r;
    float g;
    float b;
    float a;

    D3DXCOLOR() = default;
    D3DXCOLOR(DWORD argb);
    explicit D3DXCOLOR(const float* f) : r(f[0]), g(f[1]), b(f[2]), a(f[3]) {}
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
    D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}

    // Packed A8R8G8B8, each component clamped to 0..1 and rounded.
    operator DWORD() const;
    operator float*() { return &r; }
    operator const float*() const { return &r; }
    operator D3DCOLORVALUE() const { return {r, g, b, a}; }

    D3DXCOLOR& operator+=(const D3DXCOLOR& c) {
        r += c.r;
        g += c.g;
        b += c.b;
        a += c.a;
        return *this;
    }
    D3DXCOLOR& operator-=(const D3DXCOLOR& c) {
        r -= c.r;
        g -= c.g;
        b -= c.b;
        a -= c.a;
        return *this;
    }
    D3DXCOLOR& operator*=(float f) {
        r *= f;
        g *= f;
        b *= f;
        a *= f;
        return *this;
    }
    D3DXCOLOR& operator/=(float f) {
        r /= f;
        g /= f;
        b /= f;
        a /= f;
        return *this;
    }

    D3DXCOLOR operator+() const { return *this; }
    D3DXCOLOR operator-() const { return {-r, -g, -b, -a}; }
    D3DXCOLOR operator+(const D3DXCOLOR& c) const { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const { return {r - c.r, g - c.g, b - c.b, a - c.a}; }
    D3DXCOLOR operator*(float f) const { return {r * f, g * f, b * f, a * f}; }
    D3DXCOLOR operator/(float f) const { return {r / f, g / f, b / f, a / f}; }
    friend D3DXCOLOR operator*(float f, const D3DXCOLOR& c) { return c * f; }

    bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};

// ---- 2D vector functions ----
float D3DXVec2Length(const D3DXVECTOR2* v);
float D3DXVec2LengthSq(const D3DXVECTOR2* v);
float D3DXVec2Dot(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
// z of the 3D cross product: positive when v2 lies counter-clockwise of v1.
float D3DXVec2CCW(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, float s);
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, float s);
// A zero vector stays zero.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v);
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);

// ---- 3D vector functions ----
float D3DXVec3Length(const D3DXVECTOR3* v);
float D3DXVec3LengthSq(const D3DXVECTOR3* v);
float D3DXVec3Dot(const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, float s);
// A zero vector stays zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (v, 1) * m.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (v, 1) * m divided by its w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (v, 0) * m: the upper 3x3 only, no translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);

// ---- 4D vector functions ----
float D3DXVec4Length(const D3DXVECTOR4* v);
float D3DXVec4LengthSq(const D3DXVECTOR4* v);
float D3DXVec4Dot(const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, float s);
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, float s);
// A zero vector stays zero.
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);

// ---- Matrix functions ----
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
float D3DXMatrixDeterminant(const D3DXMATRIX* m);
// out = m1 * m2 (m1 applied first). out may alias either input.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
// Transpose(m1 * m2), the form shader constants take.
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// Writes the determinant when asked; returns nullptr, leaving out untouched, for a singular matrix.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
// Rotations by an angle in radians, clockwise looking along the axis towards the origin.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// The axis need not be unit length; a zero axis gives the identity.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
// Roll about z first, then pitch about x, then yaw about y: Rz * Rx * Ry.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);

// ---- Quaternion functions ----
float D3DXQuaternionLength(const D3DXQUATERNION* q);
float D3DXQuaternionLengthSq(const D3DXQUATERNION* q);
float D3DXQuaternionDot(const D3DXQUATERNION* q1, const D3DXQUATERNION* q2);
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// The rotation q1 followed by q2 (the Hamilton product q2 q1).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2);
// A zero quaternion stays zero.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// Conjugate over squared length; a zero quaternion stays zero.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// The axis need not be unit length; a zero axis gives the identity.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll);
// Spherical interpolation along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, float t);
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle);

// ---- Plane functions ----
float D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v);
float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v);
float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v);
// Scales to a unit normal; a plane without a normal stays as it is.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal);
// The plane through three points with the unit normal (v2 - v1) x (v3 - v1); collinear points
// give a zero normal.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3);
// The point where the line v1-v2 meets the plane, or nullptr when the line is parallel to it.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
// m must be the inverse transpose of the transform applied to points.
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m);

// ---- Colour functions ----
D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, float s);
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2, float s);
