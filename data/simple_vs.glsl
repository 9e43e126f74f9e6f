// Untextured and textured quads: positions in device pixels, mapped by the
// projection of the viewport.
in vec2 a_Position;
in vec2 a_TexCoord0;
in vec4 a_Color;

uniform mat4 r_proj;
uniform mat4 r_view;

out vec2 v_TexCoord;
out vec4 v_Color;

void main()
{
    v_TexCoord = a_TexCoord0;
    v_Color = a_Color;
    gl_Position = r_proj * r_view * vec4(a_Position, 0.0, 1.0);
}
