// The test scene's rules, run as plain functions: colour drift, turn and
// move per tick, vertex building and colour packing.
#include "app/test_window/scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

VertexColor Color(int red, int green, int blue, int redDir, int greenDir, int blueDir)
{
    return VertexColor{red, green, blue, redDir, greenDir, blueDir};
}

std::string Describe(const VertexColor& c)
{
    return "rgb(" + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
           std::to_string(c.blue) + ") dirs(" + std::to_string(c.redDir) + "," +
           std::to_string(c.greenDir) + "," + std::to_string(c.blueDir) + ")";
}

void ExpectColor(const VertexColor& expected, const VertexColor& actual)
{
    EXPECT_EQ(Describe(expected), Describe(actual));
}

VertexColor Animated(VertexColor color, int ticks = 1)
{
    for (int i = 0; i < ticks; ++i)
        AnimateVertexColor(color);
    return color;
}

SceneState StartedScene()
{
    SceneState scene{};
    ResetMotion(scene);
    return scene;
}

}  // namespace

TEST(SceneColors, RiseMovesOnlyTheFirstRisingComponent)
{
    ExpectColor(Color(105, 100, 100, 1, 1, 1), Animated(Color(100, 100, 100, 1, 1, 1)));
    ExpectColor(Color(100, 105, 100, 0, 1, 1), Animated(Color(100, 100, 100, 0, 1, 1)));
    ExpectColor(Color(100, 100, 105, 0, 0, 1), Animated(Color(100, 100, 100, 0, 0, 1)));
}

TEST(SceneColors, FallMovesOnlyTheFirstFallingComponent)
{
    ExpectColor(Color(95, 100, 100, 2, 2, 2), Animated(Color(100, 100, 100, 2, 2, 2)));
    ExpectColor(Color(100, 95, 100, 0, 2, 2), Animated(Color(100, 100, 100, 0, 2, 2)));
    ExpectColor(Color(100, 100, 95, 0, 0, 2), Animated(Color(100, 100, 100, 0, 0, 2)));
}

TEST(SceneColors, OneComponentRisesAndAnotherFallsInTheSameTick)
{
    ExpectColor(Color(100, 105, 95, 0, 1, 2), Animated(Color(100, 100, 100, 0, 1, 2)));
    ExpectColor(Color(95, 105, 100, 2, 1, 0), Animated(Color(100, 100, 100, 2, 1, 0)));
    ExpectColor(Color(105, 95, 100, 1, 2, 2), Animated(Color(100, 100, 100, 1, 2, 2)));
}

TEST(SceneColors, UpperTurnReachesOnlyTheFirstComponentAtOrAbove245)
{
    ExpectColor(Color(245, 250, 255, 2, 0, 0), Animated(Color(245, 250, 255, 0, 0, 0)));
    ExpectColor(Color(244, 245, 255, 0, 2, 0), Animated(Color(244, 245, 255, 0, 0, 0)));
    ExpectColor(Color(244, 244, 245, 0, 0, 2), Animated(Color(244, 244, 245, 0, 0, 0)));
    // The turn sees the value after this tick's rise.
    ExpectColor(Color(245, 100, 100, 2, 0, 0), Animated(Color(240, 100, 100, 1, 0, 0)));
}

TEST(SceneColors, LowerTurnReachesOnlyTheFirstComponentAtOrBelow10)
{
    ExpectColor(Color(10, 5, 0, 1, 0, 0), Animated(Color(10, 5, 0, 0, 0, 0)));
    ExpectColor(Color(11, 10, 0, 0, 1, 0), Animated(Color(11, 10, 0, 0, 0, 0)));
    ExpectColor(Color(11, 11, 10, 0, 0, 1), Animated(Color(11, 11, 10, 0, 0, 0)));
    ExpectColor(Color(10, 100, 100, 1, 0, 0), Animated(Color(15, 100, 100, 2, 0, 0)));
}

TEST(SceneColors, BothTurnsApplyInOneTickToDifferentComponents)
{
    ExpectColor(Color(250, 5, 100, 2, 1, 0), Animated(Color(250, 5, 100, 0, 0, 0)));
}

TEST(SceneColors, StillVertexInsideTheTurnsKeepsItsColourForEver)
{
    const int inside[] = {11, 12, 100, 128, 243, 244};
    for (int red : inside)
        for (int green : inside)
            for (int blue : inside) {
                const VertexColor start = Color(red, green, blue, 0, 0, 0);
                ExpectColor(start, Animated(start, 5000));
            }
}

TEST(SceneColors, DriftingVertexBouncesBetweenTheTurns)
{
    VertexColor color = Color(102, 128, 128, 1, 0, 0);
    int lowest = color.red, highest = color.red;
    for (int tick = 0; tick < 1000; ++tick) {
        AnimateVertexColor(color);
        lowest = std::min(lowest, color.red);
        highest = std::max(highest, color.red);
        ASSERT_EQ(128, color.green) << "tick " << tick << ": " << Describe(color);
        ASSERT_EQ(128, color.blue) << "tick " << tick << ": " << Describe(color);
    }
    // The turn is seen after the step, so the component overshoots by up to
    // one step.
    EXPECT_EQ(7, lowest);
    EXPECT_EQ(247, highest);
}

TEST(SceneColors, AnimateColorsMovesEveryVertex)
{
    SceneState scene = StartedScene();
    scene.colors[0] = Color(100, 100, 100, 1, 0, 0);
    scene.colors[1] = Color(100, 100, 100, 0, 2, 0);
    scene.colors[2] = Color(100, 100, 100, 0, 0, 1);
    AnimateColors(scene);
    ExpectColor(Color(105, 100, 100, 1, 0, 0), scene.colors[0]);
    ExpectColor(Color(100, 95, 100, 0, 2, 0), scene.colors[1]);
    ExpectColor(Color(100, 100, 105, 0, 0, 1), scene.colors[2]);
}

TEST(SceneColors, StartColoursAreDrawnInOrderFromTheGenerator)
{
    srand(1234);
    std::vector<int> expected;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k)
            expected.push_back(rand() % 255);
        for (int k = 0; k < 3; ++k)
            expected.push_back(rand() % 3);
    }
    srand(1234);
    SceneState scene{};
    DrawStartColors(scene);
    std::vector<int> actual;
    for (const VertexColor& c : scene.colors) {
        for (int v : {c.red, c.green, c.blue, c.redDir, c.greenDir, c.blueDir})
            actual.push_back(v);
    }
    EXPECT_EQ(expected, actual);
}

TEST(SceneColors, StartColoursStayInRange)
{
    for (unsigned seed = 0; seed < 200; ++seed) {
        srand(seed);
        SceneState scene{};
        DrawStartColors(scene);
        for (const VertexColor& c : scene.colors) {
            for (int component : {c.red, c.green, c.blue}) {
                ASSERT_GE(component, 0) << Describe(c);
                ASSERT_LE(component, 254) << Describe(c);
            }
            for (int dir : {c.redDir, c.greenDir, c.blueDir}) {
                ASSERT_GE(dir, 0) << Describe(c);
                ASSERT_LE(dir, 2) << Describe(c);
            }
        }
    }
}

TEST(SceneColors, ScenesStartedInTheSameSecondLookTheSame)
{
    // Bounded retry: the two starts may straddle a second boundary.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const time_t before = time(nullptr);
        SceneState first{}, second{};
        InitScene(first);
        InitScene(second);
        if (time(nullptr) != before)
            continue;
        for (int i = 0; i < SCENE_VERTEX_COUNT; ++i)
            ExpectColor(first.colors[i], second.colors[i]);
        return;
    }
    FAIL() << "every attempt straddled a second boundary";
}

TEST(SceneColorPacking, ComponentsInRangePackAsRedGreenBlueWithAlphaZero)
{
    EXPECT_EQ(0x00123456u, PackVertexColor(Color(0x12, 0x34, 0x56, 0, 0, 0)));
    EXPECT_EQ(0x00FFFFFFu, PackVertexColor(Color(255, 255, 255, 1, 2, 0)));
    EXPECT_EQ(0x00000000u, PackVertexColor(Color(0, 0, 0, 0, 0, 0)));
}

TEST(SceneColorPacking, OutOfRangeComponentIsClampedAndSpillsNowhere)
{
    EXPECT_EQ(0x00FF0000u, PackVertexColor(Color(256, 0, 0, 0, 0, 0)));
    EXPECT_EQ(0x0000FF00u, PackVertexColor(Color(0, 300, 0, 0, 0, 0)));
    EXPECT_EQ(0x000000FFu, PackVertexColor(Color(0, 0, 260, 0, 0, 0)));
    EXPECT_EQ(0x00001020u, PackVertexColor(Color(-5, 0x10, 0x20, 0, 0, 0)));
    EXPECT_EQ(0x00100020u, PackVertexColor(Color(0x10, -1, 0x20, 0, 0, 0)));
    EXPECT_EQ(0x00102000u, PackVertexColor(Color(0x10, 0x20, -10, 0, 0, 0)));
}

TEST(SceneColorPacking, ComponentCarriedPastTheTopByTheDriftIsClamped)
{
    // Red holds the upper turn while green goes on rising past 255.
    VertexColor color = Color(255, 250, 100, 0, 1, 0);
    color = Animated(color, 3);
    ASSERT_EQ(265, color.green) << Describe(color);
    EXPECT_EQ(0x00F5FF64u, PackVertexColor(color)) << Describe(color);
}

TEST(SceneMotion, StartsUnturnedAtDistanceThreeMovingAway)
{
    SceneState scene{};
    scene.angle = 7.0f;
    scene.distance = 9.0f;
    scene.distanceDirection = DISTANCE_SHRINKING;
    ResetMotion(scene);
    EXPECT_EQ(0.0f, scene.angle);
    EXPECT_EQ(3.0f, scene.distance);
    EXPECT_EQ(DISTANCE_GROWING, scene.distanceDirection);
}

TEST(SceneMotion, AngleWrapsToZeroOnTick1001)
{
    SceneState scene = StartedScene();
    float sum = 0.0f;
    for (int tick = 1; tick <= 1000; ++tick) {
        AdvanceMotion(scene);
        sum = static_cast<float>(sum + 0.05f);
        ASSERT_FLOAT_EQ(sum, scene.angle) << "tick " << tick;
        ASSERT_LT(scene.angle, 50.0f) << "tick " << tick;
    }
    AdvanceMotion(scene);
    EXPECT_EQ(0.0f, scene.angle) << "tick 1001";
    AdvanceMotion(scene);
    EXPECT_EQ(0.05f, scene.angle) << "tick 1002";
}

TEST(SceneMotion, DistanceTurnsOnTick700And1600ThenEvery900Ticks)
{
    SceneState scene = StartedScene();
    std::vector<int> turns;
    int direction = scene.distanceDirection;
    for (int tick = 1; tick <= 10000; ++tick) {
        AdvanceMotion(scene);
        if (scene.distanceDirection != direction) {
            turns.push_back(tick);
            direction = scene.distanceDirection;
        }
    }
    const std::vector<int> expected = {700, 1600, 2500, 3400, 4300, 5200, 6100, 7000, 7900, 8800, 9700};
    EXPECT_EQ(expected, turns);
}

TEST(SceneMotion, DistanceTurnsJustPastTheTurnPoints)
{
    SceneState scene = StartedScene();
    for (int tick = 1; tick < 700; ++tick)
        AdvanceMotion(scene);
    EXPECT_LT(scene.distance, 6.5f);
    EXPECT_EQ(DISTANCE_GROWING, scene.distanceDirection);
    AdvanceMotion(scene);
    EXPECT_GE(scene.distance, 6.5f);
    EXPECT_LT(scene.distance, 6.5f + 0.005f);
    EXPECT_EQ(DISTANCE_SHRINKING, scene.distanceDirection);
    for (int tick = 701; tick < 1600; ++tick)
        AdvanceMotion(scene);
    EXPECT_GT(scene.distance, 2.0f);
    AdvanceMotion(scene);
    EXPECT_LE(scene.distance, 2.0f);
    EXPECT_GT(scene.distance, 2.0f - 0.005f);
    EXPECT_EQ(DISTANCE_GROWING, scene.distanceDirection);
}

TEST(SceneMotion, TickSceneDriftsColoursAndMoves)
{
    SceneState scene = StartedScene();
    scene.colors[0] = Color(100, 100, 100, 1, 0, 0);
    scene.colors[1] = Color(100, 100, 100, 0, 0, 0);
    scene.colors[2] = Color(100, 100, 100, 0, 0, 2);
    TickScene(scene);
    EXPECT_EQ(105, scene.colors[0].red);
    EXPECT_EQ(95, scene.colors[2].blue);
    EXPECT_EQ(0.05f, scene.angle);
    EXPECT_EQ(3.005f, scene.distance);
}

TEST(SceneVertices, UnturnedTriangleIsTheModelPushedAway)
{
    SceneState scene = StartedScene();
    scene.colors[0] = Color(255, 0, 0, 0, 0, 0);
    scene.colors[1] = Color(0, 255, 0, 0, 0, 0);
    scene.colors[2] = Color(0, 0, 255, 0, 0, 0);
    D3DLVERTEX v[SCENE_VERTEX_COUNT];
    memset(v, 0xCD, sizeof v);
    BuildVertices(scene, v);
    const float expected[3][3] = {{1, 1, 3}, {1, 0, 3}, {-1, 0, 3}};
    const D3DCOLOR colors[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(expected[i][0], v[i].x) << "vertex " << i;
        EXPECT_EQ(expected[i][1], v[i].y) << "vertex " << i;
        EXPECT_EQ(expected[i][2], v[i].z) << "vertex " << i;
        EXPECT_EQ(0u, v[i].dwReserved) << "vertex " << i;
        EXPECT_EQ(colors[i], v[i].color) << std::hex << "vertex " << i << ": 0x" << v[i].color;
        EXPECT_EQ(0u, v[i].specular) << "vertex " << i;
        EXPECT_EQ(0.0f, v[i].tu) << "vertex " << i;
        EXPECT_EQ(0.0f, v[i].tv) << "vertex " << i;
    }
}

TEST(SceneVertices, QuarterTurnSwingsTheTriangleIntoDepth)
{
    SceneState scene = StartedScene();
    scene.angle = 1.5707964f;
    scene.distance = 4.0f;
    D3DLVERTEX v[SCENE_VERTEX_COUNT];
    BuildVertices(scene, v);
    EXPECT_NEAR(0.0f, v[0].x, 1e-6f);
    EXPECT_FLOAT_EQ(1.0f, v[0].y);
    EXPECT_FLOAT_EQ(5.0f, v[0].z);
    EXPECT_NEAR(0.0f, v[2].x, 1e-6f);
    EXPECT_FLOAT_EQ(0.0f, v[2].y);
    EXPECT_FLOAT_EQ(3.0f, v[2].z);
}

TEST(SceneVertices, DepthStaysBetweenTheNearAndFarPlanes)
{
    // One whole period of turn and move together: 1001 and 1800 ticks.
    const int period = 1801800;
    SceneState scene = StartedScene();
    float nearest = 100.0f, farthest = -100.0f;
    for (int tick = 1; tick <= period; ++tick) {
        AdvanceMotion(scene);
        D3DLVERTEX v[SCENE_VERTEX_COUNT];
        BuildVertices(scene, v);
        for (const D3DLVERTEX& vertex : v) {
            nearest = std::min(nearest, vertex.z);
            farthest = std::max(farthest, vertex.z);
        }
    }
    // The shrink stops a hair below 2.0, so a vertex swung towards the viewer
    // can come that hair (under 1e-4) nearer than the near plane.
    EXPECT_GT(nearest, NEAR_PLANE - 1e-4f);
    EXPECT_LT(nearest, NEAR_PLANE + 0.01f);
    EXPECT_LE(farthest, FAR_PLANE);
    EXPECT_LT(farthest, 7.51f);
}
