#version 120
void main()
{
    gl_FragColor = vec4(0.05, 0.04, 0.04, 1.0);
}
