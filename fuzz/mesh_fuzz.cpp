// X files as a level's meshes: the mesh object's whole life on a record device (load, the
// conversion to the scene format, restore, draw, invalidate, destroy), the frame tree, and the
// collision models the game builds from them for rocks and fish, with the queries the game makes.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "d3d8/backend.h"
#include "d3dx8/texturecache.h"
#include "fish/fish.h"
#include "framework/d3dfile.h"
#include "fuzz.h"
#include "recorddevice.h"
#include "game/contact.h"
#include "game/gameapp.h"

namespace {

constexpr char kMeshFile[] = "mesh.x";

// A grey 24-bit BMP of w x h.
void WriteBmp(const char* szName, std::uint32_t w, std::uint32_t h) {
    const std::uint32_t row = (w * 3 + 3) & ~3u, size = 54 + row * h;
    std::string bmp = "BM";
    auto put = [&bmp](std::uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) bmp.push_back(static_cast<char>(v >> (8 * k)));
    };
    put(size, 4), put(0, 4), put(54, 4), put(40, 4), put(w, 4), put(h, 4), put(1, 2), put(24, 2);
    for (std::uint32_t v : {0u, row * h, 2835u, 2835u, 0u, 0u}) put(v, 4);
    bmp.append(std::size_t{row} * h, '\x80');
    std::ofstream(szName, std::ios::binary) << bmp;
}

// One application with a record device for the whole run, in a scratch folder that holds the
// input file and five images a mesh's materials can name ("a.bmp" of 4 x 4, "b.bmp" to "e.bmp"
// of 256 x 256); nothing else is found, in the folder or the media one. The device may hold
// three of the large images at once, so that a mesh naming them meets the texel budget.
CGameApp& App() {
    static CGameApp* const app = [] {
        const auto folder = fuzz::ScratchFolder("mesh");
        std::filesystem::create_directories(folder / "media");
        std::filesystem::current_path(folder);
        ::setenv("ABISALIA_MEDIA_DIR", (folder / "media").c_str(), 1);
        WriteBmp("a.bmp", 4, 4);
        for (const char* szName : {"b.bmp", "c.bmp", "d.bmp", "e.bmp"}) WriteBmp(szName, 256, 256);
        d3dx::SetFileTextureTexelBudget(3 * 87381);
        auto* pApp = new CGameApp;
        pApp->m_pDevice = fuzz::CreateRecordDevice(D3DCREATE_SOFTWARE_VERTEXPROCESSING, true);
        if (!pApp->m_pDevice) std::abort();
        pApp->m_nRenderPass = 1;
        return pApp;
    }();
    return *app;
}

// The call log grows with every draw; an input's draws are of no use to the next.
void ClearLog(IDirect3DDevice8* pDevice) {
    if (auto* log = d3d8::RecordLog(pDevice)) log->clear();
}

// The mesh object as the game's objects use it (converted) and as the sky box does (as loaded).
void MeshObjectLife(IDirect3DDevice8* pDevice, bool bConvert) {
    CD3DFileMesh mesh;
    if (FAILED(mesh.LoadFromFile(pDevice, kMeshFile))) return;
    if (bConvert) mesh.ConvertFVF(pDevice, kSceneFVF);
    if (SUCCEEDED(mesh.Restore(pDevice))) mesh.Render(pDevice, TRUE, TRUE);
    mesh.Invalidate();
    if (!bConvert) mesh.ConvertFVF(pDevice, kSceneFVF);
    if (SUCCEEDED(mesh.Restore(pDevice))) {
        mesh.ConvertFVF(pDevice, kSceneFVF);  // with a device copy too
        mesh.Render(pDevice, TRUE, FALSE);
        mesh.Render(pDevice, FALSE, TRUE);
    }
    mesh.Destroy();
    if (SUCCEEDED(mesh.Restore(pDevice))) __builtin_trap();  // nothing left to restore from
}

void SceneLife(IDirect3DDevice8* pDevice) {
    CD3DFileScene scene;
    if (FAILED(scene.LoadFromFile(pDevice, kMeshFile))) return;
    if (SUCCEEDED(scene.Restore(pDevice))) scene.Render(pDevice);
    scene.Invalidate();
    scene.Destroy();
}

D3DXMATRIX Placement(float fScale, const D3DXVECTOR3& vAt) {
    D3DXMATRIX s, t, m;
    D3DXMatrixScaling(&s, fScale, fScale, fScale);
    D3DXMatrixTranslation(&t, vAt.x, vAt.y, vAt.z);
    D3DXMatrixMultiply(&m, &s, &t);
    return m;
}

// The tests the spear, the fish feelers and the path search make against a rock's model.
void Query(CollisionModel3D* pModel, const D3DXMATRIX& matWorld, const D3DXVECTOR3& vMin, const D3DXVECTOR3& vMax) {
    pModel->setTransform(matWorld);
    D3DXVECTOR3 vCentre = (vMin + vMax) * 0.5f, vFrom = vCentre - D3DXVECTOR3(0, 0, 10) - (vMax - vMin);
    D3DXVec3TransformCoord(&vCentre, &vCentre, &matWorld);
    D3DXVec3TransformCoord(&vFrom, &vFrom, &matWorld);
    const D3DXVECTOR3 vDir = vCentre - vFrom;
    const float fLength = D3DXVec3Length(&vDir);
    float afPoint[3], afT1[9], afT2[9];
    if (pModel->rayCollision(&vFrom.x, &vDir.x, true, 0.0f, fLength + 0.05f)) pModel->getCollisionPoint(afPoint, false);
    if (pModel->rayCollision(&vFrom.x, &vDir.x, false, 0.0f, 2.0f * fLength))
        pModel->getCollidingTriangles(afT1, afT2, false);
    const D3DXVECTOR3 vDown(0, -1, 0);
    pModel->rayCollision(&vCentre.x, &vDown.x, true, 0.0f, 20.0f);
    if (pModel->sphereCollision(&vCentre.x, std::isfinite(fLength) ? 0.25f * fLength + 1.0f : 1.0f))
        pModel->getCollisionPoint(afPoint, true);
}

void Bounds(const D3DXVECTOR3 avCorner[8], D3DXVECTOR3* pvMin, D3DXVECTOR3* pvMax) {
    *pvMin = *pvMax = avCorner[0];
    for (int k = 1; k < 8; ++k) {
        D3DXVec3Minimize(pvMin, pvMin, &avCorner[k]);
        D3DXVec3Maximize(pvMax, pvMax, &avCorner[k]);
    }
}

// The level's restore, invalidate and destroy workers for one object.
void RestoreMeshes(CSceneObject& object, int nMeshes) {
    for (int k = 0; k < nMeshes; ++k) object.m_pMesh[k]->Restore(App().m_pDevice);
}

void DestroyObject(CSceneObject& object, int nMeshes) {
    for (int k = 0; k < nMeshes; ++k) {
        object.m_pMesh[k]->Invalidate();
        object.m_pMesh[k]->Destroy();
    }
    object.ReleaseDeviceData(nMeshes);
}

// A rock (one mesh) and a fish (the same mesh as its three key poses), loaded as the level loads
// them, drawn, and tested against each other and by rays and spheres.
void RockAndFish(CSceneObject& rock, CFish& fish) {
    rock.m_pMesh[0] = new CD3DFileMesh("CD3DFile_Mesh");
    std::strcpy(rock.m_szMeshFile[0], kMeshFile);
    std::strcpy(rock.m_szTextureFile, g_szNoTexture);
    if (rock.Load(kMeshFile) != 0 || !rock.m_pCollisionModel) return;
    D3DXVECTOR3 avCorner[8], vMin, vMax;
    rock.BuildCollisionModel(avCorner);  // again, as a device re-creation does; with the box for the queries
    Bounds(avCorner, &vMin, &vMax);
    RestoreMeshes(rock, 1);
    rock.Render();

    for (int k = 0; k < 3; ++k) {
        fish.m_pMesh[k] = new CD3DFileMesh("CD3DFile_Mesh");
        std::strcpy(fish.m_szMeshFile[k], kMeshFile);
    }
    std::strcpy(fish.m_szTextureFile, g_szNoTexture);
    const bool bFish = fish.Load(kMeshFile) == 0 && fish.m_pCollisionModel;
    if (bFish) {
        RestoreMeshes(fish, 3);
        fish.Render();
    }

    const D3DXMATRIX matRock = Placement(1.0f, D3DXVECTOR3(1000, 20, 1000));
    Query(rock.m_pCollisionModel, matRock, vMin, vMax);
    Query(rock.m_pCollisionModel, Placement(3.0f, D3DXVECTOR3(-5, 0, 7)), vMin, vMax);
    if (!bFish) return;
    Query(fish.m_pCollisionModel, Placement(0.5f, D3DXVECTOR3(0, 0, 0)), vMin, vMax);
    // The fish over the rock's centre, then beside it.
    const D3DXVECTOR3 vCentre = (vMin + vMax) * 0.5f + D3DXVECTOR3(1000, 20, 1000);
    float afT1[9], afT2[9], afPoint[3];
    for (const D3DXVECTOR3& vAt : {vCentre, vCentre + (vMax - vMin)}) {
        fish.m_pCollisionModel->setTransform(Placement(1.0f, vAt));
        rock.m_pCollisionModel->setTransform(matRock);
        if (fish.m_pCollisionModel->collision(rock.m_pCollisionModel, -1, 0, nullptr)) {
            fish.m_pCollisionModel->getCollidingTriangles(afT1, afT2, false);
            fish.m_pCollisionModel->getCollisionPoint(afPoint, false);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CGameApp& app = App();
    std::ofstream(kMeshFile, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    MeshObjectLife(app.m_pDevice, true);
    MeshObjectLife(app.m_pDevice, false);
    SceneLife(app.m_pDevice);
    {
        CSceneObject rock;
        CFish fish;
        RockAndFish(rock, fish);
        if (rock.m_pMesh[0]) DestroyObject(rock, 1);
        if (fish.m_pMesh[0]) DestroyObject(fish, 3);
    }
    ClearLog(app.m_pDevice);
    // Every texture a mesh shared went with its last user.
    if (d3dx::FileTexelsHeld(app.m_pDevice) != 0) __builtin_trap();
    return 0;
}
