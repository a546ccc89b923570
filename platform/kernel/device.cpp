// DeviceIoControl, and the disk requests that device handles answer.
#include <cstddef>
#include <cstring>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include "platform/kernel/intercept.h"
#include "platform/kernel/file_object.h"
#include "platform/trace.h"

using platform::fail_with;

namespace {

// Read with the system's own calls, not stdio: a disk request is no file
// the program opens.
uint64_t read_sysfs_number(const std::string& device, const char* field) {
    std::string dir = platform::sysfs_device_dir(device);
    if (dir.empty()) return 0;
    int fd = ::open((dir + "/" + field).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[32] = {};
    ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    return got > 0 ? strtoull(text, nullptr, 10) : 0;
}

// Windows answers the old partition request only for MBR disks; on a GPT
// disk (header "EFI PART" in the block after the protective MBR) it fails
// and only the length request works.
bool on_gpt_disk(const platform::DeviceTarget& target) {
    if (target.whole_disk.empty()) return false;
    platform::UnixFile::Options options;
    DWORD error = ERROR_SUCCESS;
    auto disk = platform::UnixFile::open(target.whole_disk, options, &error);
    if (!disk) return false;
    for (uint64_t header : {uint64_t{512}, uint64_t{4096}}) {
        char signature[8] = {};
        DWORD got = 0;
        if (disk->read_at(header, signature, sizeof signature, &got) == ERROR_SUCCESS && got == sizeof signature &&
            memcmp(signature, "EFI PART", 8) == 0)
            return true;
    }
    return false;
}

// The size of the drive that holds target: Windows answers the geometry
// request of a volume for its whole disk.
DWORD drive_size(const platform::DeviceTarget& target, platform::UnixFile& file, uint64_t* size) {
    if (target.whole_disk.empty() || target.whole_disk == file.path()) return file.size(size);
    platform::UnixFile::Options options;
    DWORD error = ERROR_SUCCESS;
    auto disk = platform::UnixFile::open(target.whole_disk, options, &error);
    if (!disk) return file.size(size);
    return disk->size(size);
}

static_assert(offsetof(STORAGE_ADAPTER_DESCRIPTOR, BusType) == 24 && sizeof(STORAGE_ADAPTER_DESCRIPTOR) == 32,
              "STORAGE_ADAPTER_DESCRIPTOR as Windows lays it out");

static_assert(offsetof(DISK_GEOMETRY, BytesPerSector) == 20 && sizeof(DISK_GEOMETRY) == 24,
              "DISK_GEOMETRY as Windows lays it out");
static_assert(offsetof(DISK_GEOMETRY_EX, DiskSize) == 24 && offsetof(DISK_GEOMETRY_EX, Data) == 32,
              "DISK_GEOMETRY_EX as Windows lays it out");

}  // namespace

namespace platform {

BOOL FileObject::device_io_control(DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                                   LPDWORD returned) {
    if (!device) return fail_with(ERROR_INVALID_FUNCTION);
    uint64_t size = 0;
    switch (code) {
    case IOCTL_STORAGE_QUERY_PROPERTY: {
        // The adapter's largest transfer: the block layer's largest request
        // for the drive. An image file has no adapter to ask.
        STORAGE_PROPERTY_QUERY query;
        if (!in || in_size < offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters))
            return fail_with(ERROR_INVALID_PARAMETER);
        memcpy(&query, in, offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters));
        if (query.PropertyId != StorageAdapterProperty || query.QueryType != PropertyStandardQuery)
            return fail_with(ERROR_NOT_SUPPORTED);
        std::string drive = target.whole_disk.empty() ? file->path() : target.whole_disk;
        uint64_t kib = file->is_block_device() ? read_sysfs_number(drive, "queue/max_sectors_kb") : 0;
        if (kib == 0) return fail_with(ERROR_INVALID_FUNCTION);
        if (!out || out_size < sizeof(STORAGE_ADAPTER_DESCRIPTOR)) return fail_with(ERROR_INSUFFICIENT_BUFFER);
        STORAGE_ADAPTER_DESCRIPTOR adapter;
        memset(&adapter, 0, sizeof adapter);
        adapter.Version = adapter.Size = sizeof adapter;
        adapter.MaximumTransferLength = kib >= 0x400000 ? 0xFFFFFFFF : static_cast<DWORD>(kib * 1024);
        adapter.MaximumPhysicalPages = adapter.MaximumTransferLength / 4096;
        adapter.AlignmentMask = file->logical_block() - 1;
        memcpy(out, &adapter, sizeof adapter);
        *returned = sizeof adapter;
        return TRUE;
    }
    case IOCTL_DISK_GET_PARTITION_INFO: {
        if (!out || out_size < sizeof(PARTITION_INFORMATION)) return fail_with(ERROR_INSUFFICIENT_BUFFER);
        if (on_gpt_disk(target)) return fail_with(ERROR_INVALID_FUNCTION);
        if (DWORD error = file->size(&size); error != ERROR_SUCCESS) return fail_with(error);
        PARTITION_INFORMATION info;
        memset(&info, 0, sizeof info);
        info.PartitionLength.QuadPart = static_cast<LONGLONG>(size);
        if (file->is_block_device()) {
            uint64_t start = read_sysfs_number(file->path(), "start");
            info.StartingOffset.QuadPart = static_cast<LONGLONG>(start * 512);
            info.HiddenSectors = static_cast<DWORD>(start);
            info.PartitionNumber = static_cast<DWORD>(read_sysfs_number(file->path(), "partition"));
        }
        info.PartitionType = PARTITION_ENTRY_UNUSED;
        info.RecognizedPartition = target.physical ? FALSE : TRUE;
        memcpy(out, &info, sizeof info);
        *returned = sizeof info;
        return TRUE;
    }
    case IOCTL_DISK_GET_LENGTH_INFO: {
        if (!out || out_size < sizeof(GET_LENGTH_INFORMATION)) return fail_with(ERROR_INSUFFICIENT_BUFFER);
        if (DWORD error = file->size(&size); error != ERROR_SUCCESS) return fail_with(error);
        GET_LENGTH_INFORMATION length;
        length.Length.QuadPart = static_cast<LONGLONG>(size);
        memcpy(out, &length, sizeof length);
        *returned = sizeof length;
        return TRUE;
    }
    case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX: {
        // The fixed part; the partition and detection records that may
        // follow it are not given, and the count returned says so.
        constexpr DWORD fixed = offsetof(DISK_GEOMETRY_EX, Data);
        if (!out || out_size < fixed) return fail_with(ERROR_INSUFFICIENT_BUFFER);
        if (DWORD error = drive_size(target, *file, &size); error != ERROR_SUCCESS) return fail_with(error);
        DISK_GEOMETRY_EX geometry;
        memset(&geometry, 0, sizeof geometry);
        DWORD block = file->logical_block();
        // Disks without a geometry of their own get Windows' made-up one:
        // 255 heads of 63 sectors.
        geometry.Geometry.TracksPerCylinder = 255;
        geometry.Geometry.SectorsPerTrack = 63;
        geometry.Geometry.BytesPerSector = block;
        geometry.Geometry.Cylinders.QuadPart = static_cast<LONGLONG>(size / (255ull * 63 * block));
        std::string drive = target.whole_disk.empty() ? file->path() : target.whole_disk;
        bool removable = file->is_block_device() && read_sysfs_number(drive, "removable") == 1;
        geometry.Geometry.MediaType = removable ? RemovableMedia : FixedMedia;
        geometry.DiskSize.QuadPart = static_cast<LONGLONG>(size);
        memcpy(out, &geometry, fixed);
        *returned = fixed;
        return TRUE;
    }
    default:
        fixme("device", "request", code);
        return fail_with(ERROR_INVALID_FUNCTION);
    }
}

}  // namespace platform

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED) {
    if (platform::intercept::on_call(platform::intercept::Call::DeviceIoControl) != platform::intercept::Verdict::Pass) {
        if (lpBytesReturned) *lpBytesReturned = 0;
        return fail_with(ERROR_GEN_FAILURE);
    }
    if (!lpBytesReturned) return fail_with(ERROR_INVALID_PARAMETER);
    *lpBytesReturned = 0;
    auto object = platform::lookup_handle(hDevice);
    if (!object) return fail_with(ERROR_INVALID_HANDLE);
    BOOL result = object->device_io_control(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                                            lpBytesReturned);
    if (result) SetLastError(ERROR_SUCCESS);
    return result;
}
