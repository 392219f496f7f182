#version 120
// A volume to infinity: the back of the caster becomes a point at infinity away from the lamp.
uniform mat4 worldviewproj_matrix;
uniform vec4 light_position_object_space;

void main()
{
    vec4 moved = gl_MultiTexCoord0.xxxx * light_position_object_space +
                 vec4(gl_Vertex.xyz - light_position_object_space.xyz, 0.0);
    gl_Position = worldviewproj_matrix * moved;
}
