#include "app/test_window/scene.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

const ScenePoint SCENE_MODEL_POINTS[SCENE_VERTEX_COUNT] = {
    {1.0f, 1.0f, 0.0f},
    {1.0f, 0.0f, 0.0f},
    {-1.0f, 0.0f, 0.0f},
};

namespace {

// The ticks on which the angle wraps and the distance turns follow from every
// sum being rounded to 32 bits. x87 code may keep a float in an 80-bit
// register from one tick to the next; a store through memory rounds it.
float RoundedToFloat(float value)
{
    volatile float stored = value;
    return stored;
}

BYTE ClampedComponent(int component)
{
    if (component < 0)
        return 0;
    if (component > 255)
        return 255;
    return static_cast<BYTE>(component);
}

}  // namespace

void DrawStartColors(SceneState& scene)
{
    for (VertexColor& color : scene.colors) {
        // 255 itself is never drawn: the remainder is taken by 255.
        color.red = rand() % 255;
        color.green = rand() % 255;
        color.blue = rand() % 255;
        color.redDir = rand() % 3;
        color.greenDir = rand() % 3;
        color.blueDir = rand() % 3;
    }
}

void InitScene(SceneState& scene)
{
    srand(static_cast<unsigned>(time(nullptr)));
    DrawStartColors(scene);
}

void ResetMotion(SceneState& scene)
{
    scene.distance = START_DISTANCE;
    scene.angle = 0.0f;
    scene.distanceDirection = DISTANCE_GROWING;
}

void AnimateVertexColor(VertexColor& c)
{
    // Within each rule only the first qualifying component moves or turns, so
    // per tick at most one component rises and at most one falls.
    if (c.redDir == DRIFT_RISING)
        c.red += COLOR_STEP;
    else if (c.greenDir == DRIFT_RISING)
        c.green += COLOR_STEP;
    else if (c.blueDir == DRIFT_RISING)
        c.blue += COLOR_STEP;

    if (c.redDir == DRIFT_FALLING)
        c.red -= COLOR_STEP;
    else if (c.greenDir == DRIFT_FALLING)
        c.green -= COLOR_STEP;
    else if (c.blueDir == DRIFT_FALLING)
        c.blue -= COLOR_STEP;

    if (c.red >= COLOR_UPPER_TURN)
        c.redDir = DRIFT_FALLING;
    else if (c.green >= COLOR_UPPER_TURN)
        c.greenDir = DRIFT_FALLING;
    else if (c.blue >= COLOR_UPPER_TURN)
        c.blueDir = DRIFT_FALLING;

    if (c.red <= COLOR_LOWER_TURN)
        c.redDir = DRIFT_RISING;
    else if (c.green <= COLOR_LOWER_TURN)
        c.greenDir = DRIFT_RISING;
    else if (c.blue <= COLOR_LOWER_TURN)
        c.blueDir = DRIFT_RISING;
}

void AnimateColors(SceneState& scene)
{
    for (VertexColor& color : scene.colors)
        AnimateVertexColor(color);
}

void AdvanceMotion(SceneState& scene)
{
    // The wrap at 50 is not a whole number of turns: the triangle jumps back
    // to its start orientation.
    scene.angle = RoundedToFloat(scene.angle + ANGLE_STEP);
    if (scene.angle >= ANGLE_WRAP)
        scene.angle = 0.0f;

    if (scene.distanceDirection == DISTANCE_GROWING)
        scene.distance = RoundedToFloat(scene.distance + DISTANCE_STEP);
    else if (scene.distanceDirection == DISTANCE_SHRINKING)
        scene.distance = RoundedToFloat(scene.distance - DISTANCE_STEP);

    if (scene.distance >= DISTANCE_FAR_TURN)
        scene.distanceDirection = DISTANCE_SHRINKING;
    else if (scene.distance <= DISTANCE_NEAR_TURN)
        scene.distanceDirection = DISTANCE_GROWING;
}

void TickScene(SceneState& scene)
{
    AnimateColors(scene);
    AdvanceMotion(scene);
}

D3DCOLOR PackVertexColor(const VertexColor& color)
{
    // The drift rules can carry a component past 0..255 while another
    // component of the vertex holds the turn; clamping keeps it from spilling
    // into its neighbour or the alpha byte.
    return (static_cast<D3DCOLOR>(ClampedComponent(color.red)) << 16) |
           (static_cast<D3DCOLOR>(ClampedComponent(color.green)) << 8) |
           static_cast<D3DCOLOR>(ClampedComponent(color.blue));
}

void BuildVertices(const SceneState& scene, D3DLVERTEX (&vertices)[SCENE_VERTEX_COUNT])
{
    const float s = static_cast<float>(std::sin(static_cast<double>(scene.angle)));
    const float c = static_cast<float>(std::cos(static_cast<double>(scene.angle)));
    for (int i = 0; i < SCENE_VERTEX_COUNT; ++i) {
        const ScenePoint& p = SCENE_MODEL_POINTS[i];
        D3DLVERTEX& v = vertices[i];
        v.x = c * p.x - s * p.z;
        v.y = p.y;
        v.z = s * p.x + c * p.z + scene.distance;
        v.dwReserved = 0;
        v.color = PackVertexColor(scene.colors[i]);
        v.specular = 0;
        v.tu = 0.0f;
        v.tv = 0.0f;
    }
}
