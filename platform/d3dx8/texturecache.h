// The textures loaded from files, per device: one texture for each file and request, however
// many times a level names it, and a bound on the texels they hold together.
//
// A level folder can name one small image from hundreds of materials and objects; decoded once
// per use, a 600-byte picture of 2048 x 2048 costs gigabytes. So each load is keyed by the file
// it opened (device and inode, with its size and modification time, so that a file rewritten in
// its place loads again) and by everything the request asks for, and a second load of the same
// key hands out the live texture with a reference of its own. The per-file decoding budget
// (image/imagedecode.h) bounds one image; this bounds what all of them hold at once.
//
// An entry lives exactly as long as its texture has public references: the texture holds the
// entry's token as private data (D3DSPD_IUNKNOWN) and frees it with its last Release, which
// takes the entry out and gives its texels back. Every texture holds its device, so no entry
// outlives its device, and nothing is kept across level changes or device re-creations.
// Loads and releases of one device's textures come from one thread, as its other calls do.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "d3d8/d3d8.h"
#include "d3dx8/texture.h"

namespace d3dx {

// The texels, mip levels included, that the live file textures of one device may hold: 2^25,
// 128 MB at 32 bits (one 4096 x 4096 image with its chain, or six of 2048 x 2048). The
// shipped levels hold about a million.
constexpr std::uint64_t kFileTextureTexelBudget = std::uint64_t{1} << 25;

// A file and a request, as a key.
struct FileTextureKey {
    IDirect3DDevice8* device = nullptr;
    std::uint64_t fileDevice = 0, inode = 0, size = 0;
    std::int64_t modifiedSec = 0, modifiedNsec = 0;
    UINT width = 0, height = 0, levels = 0;
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DPOOL pool = D3DPOOL_DEFAULT;
    DWORD filter = 0, mipFilter = 0;
    D3DCOLOR colorKey = 0;

    bool operator<(const FileTextureKey& o) const;
};

// The live texture for `key` with a reference added for the caller, and what the file held;
// null when there is none.
IDirect3DTexture8* FindFileTexture(const FileTextureKey& key, D3DXIMAGE_INFO* info);

// Sets `texels` aside under the device's budget; false, with the texels already held, when
// they would pass it.
bool ReserveFileTexels(IDirect3DDevice8* device, std::uint64_t texels, std::uint64_t* held);
// Gives back texels set aside for a texture that was not made.
void ReturnFileTexels(IDirect3DDevice8* device, std::uint64_t texels);

// Enters a texture just made with texels set aside for it; they are given back with its last
// Release. With `share` false (a file that could not say who it is) it only counts. A texture
// that cannot carry the entry's token gives them back at once and is simply not shared.
void AddFileTexture(const FileTextureKey& key, IDirect3DTexture8* texture, std::uint64_t texels,
                    const D3DXIMAGE_INFO& info, bool share);

// What a refused load would have cost, remembered by its key, so that a level naming a refused
// image many times decodes it once: the texels, when the key was refused before.
void RememberFileTextureRefusal(const FileTextureKey& key, std::uint64_t texels);
bool RefusedFileTextureCost(const FileTextureKey& key, std::uint64_t* texels);

// How many loads the budget has refused so far, on any device: a caller that must have all of
// a set of textures compares it before and after.
std::uint64_t FileTextureRefusals();

// The texels the live file textures of a device hold.
std::uint64_t FileTexelsHeld(IDirect3DDevice8* device);

// The budget in force, and a replacement (for every device) that returns the one before: for
// harnesses that reach the bound with small images.
std::uint64_t FileTextureTexelBudget();
std::uint64_t SetFileTextureTexelBudget(std::uint64_t texels);

}  // namespace d3dx
