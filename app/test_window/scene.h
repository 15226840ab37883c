// The Direct3D test's scene: a triangle whose vertex colours drift, turning
// about the vertical axis while it moves away and back. Everything here is a
// pure function of the scene state, so the timer and paint handlers stay thin.
#pragma once

#include <windows.h>
#include <d3d.h>

// Colour state of one vertex: components (normally 0..255) and one drift
// direction per component (0 still, 1 rising, 2 falling).
struct VertexColor {
    int red;
    int green;
    int blue;
    int redDir;
    int greenDir;
    int blueDir;
};

enum { DRIFT_STILL = 0, DRIFT_RISING = 1, DRIFT_FALLING = 2 };
enum { DISTANCE_GROWING = 0, DISTANCE_SHRINKING = 1 };

const int SCENE_VERTEX_COUNT = 3;

const int COLOR_STEP = 5;
const int COLOR_UPPER_TURN = 245;
const int COLOR_LOWER_TURN = 10;

const float ANGLE_STEP = 0.05f;
const float ANGLE_WRAP = 50.0f;
const float START_DISTANCE = 3.0f;
const float DISTANCE_STEP = 0.005f;
const float DISTANCE_FAR_TURN = 6.5f;
const float DISTANCE_NEAR_TURN = 2.0f;
const float NEAR_PLANE = 1.0f;
const float FAR_PLANE = 10.0f;

struct ScenePoint {
    float x;
    float y;
    float z;
};

// Model points of the triangle, in drawing order.
extern const ScenePoint SCENE_MODEL_POINTS[SCENE_VERTEX_COUNT];

struct SceneState {
    VertexColor colors[SCENE_VERTEX_COUNT];
    float angle;     // radians about the Y axis
    float distance;  // push along +Z, away from the viewer
    int distanceDirection;
};

// Seeds the C run-time generator with the current second and draws fresh
// start colours; two scenes started within one second look the same.
void InitScene(SceneState& scene);

// Draws start colours from the C run-time generator as it is seeded now.
void DrawStartColors(SceneState& scene);

// Start position: no turn, start distance, moving away.
void ResetMotion(SceneState& scene);

// One timer tick's colour drift, for every vertex.
void AnimateColors(SceneState& scene);
void AnimateVertexColor(VertexColor& color);

// One timer tick's turn and move.
void AdvanceMotion(SceneState& scene);

// Everything one timer tick changes.
void TickScene(SceneState& scene);

// Packs a colour as a D3DCOLOR with alpha 0.
D3DCOLOR PackVertexColor(const VertexColor& color);

// The three lit vertices of the current frame.
void BuildVertices(const SceneState& scene, D3DLVERTEX (&vertices)[SCENE_VERTEX_COUNT]);
