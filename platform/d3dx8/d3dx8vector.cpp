// Vector, plane and colour functions of the D3DX math.
#include <algorithm>
#include <cmath>

#include "d3dx8/d3dx8math.h"

// ---- 2D ----
float D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(v->x * v->x + v->y * v->y); }
float D3DXVec2LengthSq(const D3DXVECTOR2* v) { return v->x * v->x + v->y * v->y; }
float D3DXVec2Dot(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) { return v1->x * v2->x + v1->y * v2->y; }
float D3DXVec2CCW(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) { return v1->x * v2->y - v1->y * v2->x; }

D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = *v1 + *v2;
    return out;
}
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = *v1 - *v2;
    return out;
}
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = D3DXVECTOR2(std::min(v1->x, v2->x), std::min(v1->y, v2->y));
    return out;
}
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = D3DXVECTOR2(std::max(v1->x, v2->x), std::max(v1->y, v2->y));
    return out;
}
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, float s) {
    *out = *v * s;
    return out;
}
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, float s) {
    *out = *v1 + (*v2 - *v1) * s;
    return out;
}
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
    float len = D3DXVec2Length(v);
    *out = len > 0.0f ? *v / len : D3DXVECTOR2(0.0f, 0.0f);
    return out;
}
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y;
    *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + m->_41, x * m->_12 + y * m->_22 + m->_42,
                       x * m->_13 + y * m->_23 + m->_43, x * m->_14 + y * m->_24 + m->_44);
    return out;
}
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 t;
    D3DXVec2Transform(&t, v, m);
    *out = D3DXVECTOR2(t.x / t.w, t.y / t.w);
    return out;
}
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y;
    *out = D3DXVECTOR2(x * m->_11 + y * m->_21, x * m->_12 + y * m->_22);
    return out;
}

// ---- 3D ----
float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }
float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
float D3DXVec3Dot(const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    return v1->x * v2->x + v1->y * v2->y + v1->z * v2->z;
}
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(v1->y * v2->z - v1->z * v2->y, v1->z * v2->x - v1->x * v2->z, v1->x * v2->y - v1->y * v2->x);
    return out;
}
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = *v1 + *v2;
    return out;
}
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = *v1 - *v2;
    return out;
}
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(std::min(v1->x, v2->x), std::min(v1->y, v2->y), std::min(v1->z, v2->z));
    return out;
}
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(std::max(v1->x, v2->x), std::max(v1->y, v2->y), std::max(v1->z, v2->z));
    return out;
}
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
    *out = *v * s;
    return out;
}
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, float s) {
    *out = *v1 + (*v2 - *v1) * s;
    return out;
}
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float len = D3DXVec3Length(v);
    *out = len > 0.0f ? *v / len : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return out;
}
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + z * m->_31 + m->_41, x * m->_12 + y * m->_22 + z * m->_32 + m->_42,
                       x * m->_13 + y * m->_23 + z * m->_33 + m->_43, x * m->_14 + y * m->_24 + z * m->_34 + m->_44);
    return out;
}
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 t;
    D3DXVec3Transform(&t, v, m);
    *out = D3DXVECTOR3(t.x / t.w, t.y / t.w, t.z / t.w);
    return out;
}
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR3(x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
                       x * m->_13 + y * m->_23 + z * m->_33);
    return out;
}

// ---- 4D ----
float D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4LengthSq(v)); }
float D3DXVec4LengthSq(const D3DXVECTOR4* v) { return D3DXVec4Dot(v, v); }
float D3DXVec4Dot(const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    return v1->x * v2->x + v1->y * v2->y + v1->z * v2->z + v1->w * v2->w;
}
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = *v1 + *v2;
    return out;
}
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = *v1 - *v2;
    return out;
}
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = D3DXVECTOR4(std::min(v1->x, v2->x), std::min(v1->y, v2->y), std::min(v1->z, v2->z), std::min(v1->w, v2->w));
    return out;
}
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = D3DXVECTOR4(std::max(v1->x, v2->x), std::max(v1->y, v2->y), std::max(v1->z, v2->z), std::max(v1->w, v2->w));
    return out;
}
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, float s) {
    *out = *v * s;
    return out;
}
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, float s) {
    *out = *v1 + (*v2 - *v1) * s;
    return out;
}
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    float len = D3DXVec4Length(v);
    *out = len > 0.0f ? *v / len : D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    return out;
}
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z, w = v->w;
    *out = D3DXVECTOR4(
        x * m->_11 + y * m->_21 + z * m->_31 + w * m->_41, x * m->_12 + y * m->_22 + z * m->_32 + w * m->_42,
        x * m->_13 + y * m->_23 + z * m->_33 + w * m->_43, x * m->_14 + y * m->_24 + z * m->_34 + w * m->_44);
    return out;
}

// ---- Planes ----
float D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w;
}
float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}
float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) { return p->a * v->x + p->b * v->y + p->c * v->z; }
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
    float len = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    *out = len > 0.0f ? D3DXPLANE(p->a / len, p->b / len, p->c / len, p->d / len) : *p;
    return out;
}
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal) {
    *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
    return out;
}
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3) {
    D3DXVECTOR3 e1 = *v2 - *v1, e2 = *v3 - *v1, n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return D3DXPlaneFromPointNormal(out, v1, &n);
}
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2) {
    D3DXVECTOR3 dir = *v2 - *v1;
    float denom = D3DXPlaneDotNormal(p, &dir);
    if (denom == 0.0f) return nullptr;
    float t = -D3DXPlaneDotCoord(p, v1) / denom;
    *out = *v1 + dir * t;
    return out;
}
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m) {
    D3DXVECTOR4 v(p->a, p->b, p->c, p->d), r;
    D3DXVec4Transform(&r, &v, m);
    *out = D3DXPLANE(r.x, r.y, r.z, r.w);
    return out;
}

// ---- Colours ----
D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(static_cast<float>((argb >> 16) & 0xFFu) / 255.0f), g(static_cast<float>((argb >> 8) & 0xFFu) / 255.0f),
      b(static_cast<float>(argb & 0xFFu) / 255.0f), a(static_cast<float>((argb >> 24) & 0xFFu) / 255.0f) {}

D3DXCOLOR::operator DWORD() const {
    auto byte = [](float f) -> DWORD {
        if (!(f > 0.0f)) return 0;  // also NaN
        if (f >= 1.0f) return 255;
        return static_cast<DWORD>(f * 255.0f + 0.5f);
    };
    return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2) {
    *out = *c1 + *c2;
    return out;
}
D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2) {
    *out = *c1 - *c2;
    return out;
}
D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, float s) {
    *out = *c * s;
    return out;
}
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2) {
    *out = D3DXCOLOR(c1->r * c2->r, c1->g * c2->g, c1->b * c2->b, c1->a * c2->a);
    return out;
}
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2, float s) {
    *out = *c1 + (*c2 - *c1) * s;
    return out;
}
