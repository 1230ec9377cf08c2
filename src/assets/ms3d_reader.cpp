// SPDX-License-Identifier: MIT
// Reading a MilkShape 3D file (versions 3 and 4) into a model.
//
// The file is read block by block, each read as long as the counts before it
// say, and never past ms3dReadLimit bytes: a file of gigabytes, or counts
// that would need them, is refused after at most that much, and a file
// shorter than its counts is refused where it ends. The format carries counts and indices that the parser cannot take
// on trust, since a damaged or hostile file must never make it read outside
// the buffer or make the renderer index outside the arrays:
//
//  - A file too short for what it declares (a count of records, a group's
//    triangle list) is refused: a model cut off mid-block has no sensible
//    partial form, and guessing one would draw garbage.
//  - A triangle corner naming a vertex that does not exist, or a group naming
//    a triangle that does not exist, is refused for the same reason: there is
//    nothing correct to draw in its place.
//  - A group whose material index points past the last material is clipped:
//    it is drawn as a group without material (as the file's -1), because its
//    geometry is still sound and "no material" is a state the format knows.
//  - A texture file name that fills its 128-byte field without a terminator
//    is clipped to those 128 bytes and terminated; the name is never used for
//    anything, so there is no reason to refuse the model over it.
//
// A refused file leaves the model empty (all counts 0, no arrays). Bytes
// after the material block are never looked at.
#include "assets/ms3d_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/data_path.h"

namespace {

constexpr size_t headerSize = 14;
constexpr size_t vertexRecordSize = 15;
constexpr size_t triangleRecordSize = 70;
constexpr size_t groupRecordFixedSize = 36;  // plus 2 bytes per triangle index
constexpr size_t materialRecordSize = 361;
constexpr size_t textureNameFieldSize = 128;

}  // namespace

// A read position in the model's bytes that can only move forward over
// bytes that are there: bytes in memory, or bytes read from the file as
// has() asks for them. Pointers from here() stay valid until the next has().
class Ms3dByteCursor {
public:
    Ms3dByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Reserves what the file holds, up to the bound: a short file claiming
    // large counts reserves only its length.
    Ms3dByteCursor(std::FILE* file, size_t fileSize) : file_(file) {
        buffer_.reserve(std::min(fileSize, ms3dReadLimit));
    }

    bool has(size_t count) {
        if (count > ms3dReadLimit - position_) return false;
        if (count <= size_ - position_) return true;
        if (!file_) return false;
        const size_t wanted = position_ + count;
        buffer_.resize(wanted);
        const size_t got = std::fread(buffer_.data() + size_, 1, wanted - size_, file_);
        buffer_.resize(size_ + got);
        data_ = buffer_.data();
        size_ = buffer_.size();
        return count <= size_ - position_;
    }
    const uint8_t* here() const { return data_ + position_; }
    void skip(size_t count) { position_ += count; }

    uint16_t u16() {
        uint16_t value = uint16_t(data_[position_] | (data_[position_ + 1] << 8));
        position_ += 2;
        return value;
    }

private:
    std::FILE* file_ = nullptr;
    std::vector<uint8_t> buffer_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
};

namespace {

uint32_t littleU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t littleU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

float littleFloat(const uint8_t* p) {
    uint32_t bits = littleU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void copyFloats(float* to, const uint8_t* from, int count) {
    for (int i = 0; i < count; ++i) to[i] = littleFloat(from + 4 * i);
}

template <typename T>
T* allocateArray(size_t count) {
    return new (std::nothrow) T[count]();
}

}  // namespace

bool Ms3dModel::loadFromFile(const char* path) {
    release();
    // Only regular files open, so the end position is a byte count.
    std::FILE* file = openDataFile(path);
    if (!file) return false;

    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    // A file that shrinks under us simply looks short.
    Ms3dByteCursor cursor(file, size_t(size));
    const bool loaded = parse(cursor);
    std::fclose(file);
    return loaded;
}

bool Ms3dModel::loadFromMemory(const uint8_t* data, size_t size) {
    Ms3dByteCursor cursor(data, size);
    return parse(cursor);
}

bool Ms3dModel::parse(Ms3dByteCursor& cursor) {
    release();
    if (!cursor.has(headerSize) || std::memcmp(cursor.here(), "MS3D000000", 10) != 0) return false;
    const int32_t version = int32_t(littleU32(cursor.here() + 10));
    if (version < 3 || version > 4) return false;
    cursor.skip(headerSize);

    // Every refusal past this point goes through here, so that the model is
    // left as empty as it was found.
    auto refuse = [this]() {
        release();
        return false;
    };

    // Vertices.
    if (!cursor.has(2)) return refuse();
    const size_t vertexTotal = cursor.u16();
    if (!cursor.has(vertexTotal * vertexRecordSize)) return refuse();
    vertices = allocateArray<ModelVertex>(vertexTotal);
    if (!vertices) return refuse();
    vertexCount = int32_t(vertexTotal);
    for (size_t i = 0; i < vertexTotal; ++i) {
        const uint8_t* record = cursor.here();
        copyFloats(vertices[i].location, record + 1, 3);
        vertices[i].boneId = int8_t(record[13]);
        cursor.skip(vertexRecordSize);
    }

    // Triangles.
    if (!cursor.has(2)) return refuse();
    const size_t triangleTotal = cursor.u16();
    if (!cursor.has(triangleTotal * triangleRecordSize)) return refuse();
    triangles = allocateArray<ModelTriangle>(triangleTotal);
    if (!triangles) return refuse();
    triangleCount = int32_t(triangleTotal);
    for (size_t i = 0; i < triangleTotal; ++i) {
        const uint8_t* record = cursor.here();
        ModelTriangle& triangle = triangles[i];
        for (int corner = 0; corner < 3; ++corner) {
            const uint16_t vertex = littleU16(record + 2 + 2 * corner);
            if (vertex >= vertexTotal) return refuse();
            triangle.vertexIndices[corner] = vertex;
            copyFloats(triangle.vertexNormals[corner], record + 8 + 12 * corner, 3);
        }
        copyFloats(triangle.s, record + 44, 3);
        for (int corner = 0; corner < 3; ++corner)
            triangle.t[corner] = float(1.0 - double(littleFloat(record + 56 + 4 * corner)));
        cursor.skip(triangleRecordSize);
    }

    // Groups.
    if (!cursor.has(2)) return refuse();
    const size_t groupTotal = cursor.u16();
    // Each group is at least its fixed part long; checked before allocating
    // so that a tiny file cannot ask for 65535 meshes.
    if (!cursor.has(groupTotal * groupRecordFixedSize)) return refuse();
    meshes = allocateArray<ModelMesh>(groupTotal);
    if (!meshes) return refuse();
    meshCount = int32_t(groupTotal);
    for (size_t i = 0; i < groupTotal; ++i) {
        ModelMesh& mesh = meshes[i];
        if (!cursor.has(35)) return refuse();
        cursor.skip(33);  // flags, name
        const size_t indexTotal = cursor.u16();
        if (!cursor.has(indexTotal * 2 + 1)) return refuse();
        mesh.triangleIndices = allocateArray<int32_t>(indexTotal);
        if (!mesh.triangleIndices) return refuse();
        mesh.triangleIndexCount = int32_t(indexTotal);
        for (size_t k = 0; k < indexTotal; ++k) {
            const uint16_t triangle = cursor.u16();
            if (triangle >= triangleTotal) return refuse();
            mesh.triangleIndices[k] = triangle;
        }
        mesh.materialIndex = int8_t(*cursor.here());
        cursor.skip(1);
    }

    // Materials.
    if (!cursor.has(2)) return refuse();
    const size_t materialTotal = cursor.u16();
    if (!cursor.has(materialTotal * materialRecordSize)) return refuse();
    materials = allocateArray<ModelMaterial>(materialTotal);
    if (!materials) return refuse();
    materialCount = int32_t(materialTotal);
    for (size_t i = 0; i < materialTotal; ++i) {
        const uint8_t* record = cursor.here();
        ModelMaterial& material = materials[i];
        copyFloats(material.ambient, record + 32, 4);
        copyFloats(material.diffuse, record + 48, 4);
        copyFloats(material.specular, record + 64, 4);
        copyFloats(material.emissive, record + 80, 4);
        material.shininess = littleFloat(record + 96);
        material.texture = 0;
        const char* name = reinterpret_cast<const char*>(record + 105);
        const size_t nameLength = strnlen(name, textureNameFieldSize);
        material.textureFileName = allocateArray<char>(nameLength + 1);
        if (!material.textureFileName) return refuse();
        std::memcpy(material.textureFileName, name, nameLength);
        material.textureFileName[nameLength] = '\0';
        cursor.skip(materialRecordSize);
    }

    // A group may name a material only once the materials are known.
    for (size_t i = 0; i < groupTotal; ++i)
        if (meshes[i].materialIndex >= int32_t(materialTotal)) meshes[i].materialIndex = -1;
    return true;
}
