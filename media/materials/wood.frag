#version 120
// The frame and the table: their texture under the light of board.vert, darker at the
// board's foot, fading into the room's colour away from the board: a pool of light on a table
// in a dark room. Beyond it nothing is drawn at all, which a software renderer needs.
uniform sampler2D surface;
uniform vec4 tint;
uniform vec4 fogColour;
// x: how dark the table gets right at the board's foot; y: the board's outer half size.
uniform vec4 contact;
// x, y: where the fading into the room starts and ends (distance from the board's edge).
uniform vec4 fogRange;
varying vec3 worldPos;
varying vec2 uv;
varying vec3 light;
varying vec3 shine;

void main()
{
    vec2 outside = max(abs(worldPos.xz - vec2(4.0)) - contact.yy, 0.0);
    float foot = 1.0 - contact.x * clamp(1.0 - length(outside) * 1.4, 0.0, 1.0);
    vec3 lit = texture2D(surface, uv).rgb * tint.rgb * light * foot + shine;
    float fog = smoothstep(fogRange.x, fogRange.y, length(outside));
    gl_FragColor = vec4(mix(lit, fogColour.rgb, fog), 1.0);
}
