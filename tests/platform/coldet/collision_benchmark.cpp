// Per-query times of the collision models on rock-like meshes.
#include "modelkit.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace kit;

namespace {

// A lumpy sphere of 2 x stacks x slices triangles, the shape of a rock.
std::vector<Tri> rock(int stacks, int slices, float radius) {
    auto point = [&](int i, int j) {
        const float theta = float(M_PI) * i / stacks, phi = 2 * float(M_PI) * j / slices;
        const float r = radius * (1 + 0.1f * std::sin(3 * theta) * std::cos(5 * phi));
        return std::array<float, 3>{r * std::sin(theta) * std::cos(phi), r * std::cos(theta),
                                    r * std::sin(theta) * std::sin(phi)};
    };
    std::vector<Tri> tris;
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            const auto a = point(i, j), b = point(i + 1, j), c = point(i + 1, j + 1), d = point(i, j + 1);
            tris.push_back({a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]});
            tris.push_back({a[0], a[1], a[2], c[0], c[1], c[2], d[0], d[1], d[2]});
        }
    return tris;
}

void modelTest(benchmark::State& state, const Mat& other, bool expected) {
    ModelPtr a = makeModel(rock(20, 25, 10));
    ModelPtr b = makeModel(rock(25, 20, 8));
    a->setTransform(multiply(rotation(0, 1, 0, 0.4f), translation(100, 5, 200)).data());
    b->setTransform(other.data());
    for (auto _ : state) {
        const bool hit = a->collision(b.get(), -1, 0, nullptr);
        if (hit != expected) state.SkipWithError("unexpected answer");
        benchmark::DoNotOptimize(hit);
    }
}

void BM_ModelApart(benchmark::State& state) {
    modelTest(state, multiply(rotation(1, 0, 0, 0.7f), translation(140, 5, 200)), false);
}

void BM_ModelOverlapping(benchmark::State& state) {
    modelTest(state, multiply(rotation(1, 0, 0, 0.7f), translation(112, 9, 203)), true);
}

// Bounding volumes overlapping throughout with no triangle meeting: the smaller rock inside.
void BM_ModelNestedNoContact(benchmark::State& state) {
    modelTest(state,
              multiply(multiply(scaling(0.6f, 0.6f, 0.6f), rotation(1, 0, 0, 0.7f)), translation(100.5f, 5, 200)),
              false);
}

void BM_RayClosest(benchmark::State& state) {
    ModelPtr m = makeModel(rock(50, 50, 10));
    m->setTransform(multiply(rotation(0, 1, 0, 0.4f), translation(100, 5, 200)).data());
    const float origin[3] = {70, 7, 203}, dir[3] = {1, -0.02f, 0};
    for (auto _ : state) benchmark::DoNotOptimize(m->rayCollision(origin, dir, state.range(0) != 0, 0, 60));
}

void BM_RayMiss(benchmark::State& state) {
    ModelPtr m = makeModel(rock(50, 50, 10));
    m->setTransform(translation(100, 5, 200).data());
    const float origin[3] = {70, 30, 203}, dir[3] = {1, 0, 0};
    for (auto _ : state) benchmark::DoNotOptimize(m->rayCollision(origin, dir, true, 0, 60));
}

void BM_Sphere(benchmark::State& state) {
    ModelPtr m = makeModel(rock(50, 50, 10));
    m->setTransform(translation(100, 5, 200).data());
    // Hit when the radius reaches the surface (about 9 to 11 away), a miss otherwise.
    const float centre[3] = {100, 5, 190 - float(state.range(0))};
    for (auto _ : state) benchmark::DoNotOptimize(m->sphereCollision(centre, 10));
}

}  // namespace

BENCHMARK(BM_ModelApart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelOverlapping)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelNestedNoContact)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RayClosest)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RayMiss)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sphere)->Arg(-5)->Arg(15)->Unit(benchmark::kMicrosecond);
