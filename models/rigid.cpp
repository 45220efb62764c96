// rigid: a static mesh drawn with fixed-function lighting, one glMaterial per group,
// from the lists of the objloader it creates.
#include "platform/gl.h"

#include "models/objloader.h"

rigid::rigid(const std::string& path) : model(std::make_unique<objloader>(path)) {
    positions = model->positions;
    normals = model->normals;
    for (const auto& g : model->groups) groups.push_back(g.get());
    use_material_alpha = model->use_material_alpha;
    centre = model->centre;
    has_mesh = true;
}

void rigid::draw() {
    glPushMatrix();
    glMultMatrixf(model_matrix.data());
    glEnable(GL_LIGHTING);
    if (has_mesh) draw_mesh();
    glDisable(GL_LIGHTING);
    glPopMatrix();
}

void rigid::draw_mesh() {
    const size_t np = positions.size(), nn = normals.size();
    glBegin(GL_TRIANGLES);
    for (const meshgroup* g : groups) {
        // glMaterial and glColor are allowed between glBegin and glEnd.
        glMaterialfv(GL_FRONT, GL_AMBIENT, g->ambient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, g->diffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, g->specular);
        glMaterialfv(GL_FRONT, GL_SHININESS, &g->shininess);
        if (use_material_alpha) glColor4f(1.0f, 1.0f, 1.0f, g->alpha);
        for (const meshface& f : g->faces) {
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                const int32_t i = f.position[k];
                inside = inside && i >= 1 && static_cast<size_t>(i) <= np && static_cast<size_t>(i) <= nn;
            }
            if (!inside) continue;
            for (int k = 0; k < 3; ++k) {
                const size_t i = static_cast<size_t>(f.position[k]) - 1;
                glNormal3fv(&normals[i].x);
                glVertex3fv(&positions[i].x);
            }
        }
    }
    glEnd();
}

void rigid::compute_bounds() {
    if (!positions.empty()) bounding_box(positions.data(), positions.size(), centre, size);
}
