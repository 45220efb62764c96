// movable: the polymorphic base of the scene objects (body, objloader, rigid): a model
// matrix, a name and a model-space bounding box, with draw/update/compute_bounds slots.
#pragma once
#include <cstddef>
#include <string>

#include "models/vecmath.h"

class movable {
public:
    movable();
    virtual ~movable();
    virtual void draw();
    virtual void update();
    virtual void compute_bounds();

    movable(const movable&) = delete;
    movable& operator=(const movable&) = delete;

    mat4 model_matrix;  // column-major object transform; starts as the z-mirror (element 10 = -1)
    std::string name;   // empty at construction; body keeps the name of the joint being drawn
    vec3 centre;        // middle of the model-space bounding box (compute_bounds)
    vec3 size;          // extent of the model-space bounding box (compute_bounds)
};

// Centre and size of the box around points; false (box untouched) when there are none.
bool bounding_box(const vec3* points, size_t count, vec3& centre, vec3& size);
