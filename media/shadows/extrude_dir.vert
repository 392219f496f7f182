#version 120
// A directional light's volume to infinity.
uniform mat4 worldviewproj_matrix;
uniform vec4 light_position_object_space;

void main()
{
    vec4 moved = gl_MultiTexCoord0.xxxx * (gl_Vertex + light_position_object_space) -
                 light_position_object_space;
    gl_Position = worldviewproj_matrix * moved;
}
