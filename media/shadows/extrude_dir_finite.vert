#version 120
// A directional light's volume, pushed the engine's distance along the light.
uniform mat4 worldviewproj_matrix;
uniform vec4 light_position_object_space;
uniform float shadow_extrusion_distance;

void main()
{
    vec3 along = normalize(-light_position_object_space.xyz);
    vec3 moved = gl_Vertex.xyz + (1.0 - gl_MultiTexCoord0.x) * shadow_extrusion_distance * along;
    gl_Position = worldviewproj_matrix * vec4(moved, 1.0);
}
