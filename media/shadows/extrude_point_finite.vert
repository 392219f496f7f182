#version 120
// A shadow volume of the lamp, which hangs over the board: the back of the caster (texture
// coordinate x 0) is pushed away from the lamp down to just under the board's surface, the
// front (x 1) stays. Nothing below the board shows a shadow, and on the software renderer the
// stencil fill of volume reaching on underground was a third of the shadows' cost. A vertex
// level with or above the lamp has no such end and goes the engine's distance.
uniform mat4 worldviewproj_matrix;
uniform mat4 world;
uniform vec4 light_position_object_space;
uniform float shadow_extrusion_distance;

// Under the squares (at height 0) by enough that the end never fights with them for depth.
const float kBelowBoard = 0.01;

void main()
{
    vec3 away = normalize(gl_Vertex.xyz - light_position_object_space.xyz);
    float height = (world * vec4(gl_Vertex.xyz, 1.0)).y;
    float fall = (world * vec4(away, 0.0)).y;
    float reach = fall < -0.001 ? max(height + kBelowBoard, 0.0) / -fall
                                : shadow_extrusion_distance;
    vec3 moved = gl_Vertex.xyz + (1.0 - gl_MultiTexCoord0.x) * reach * away;
    gl_Position = worldviewproj_matrix * vec4(moved, 1.0);
}
