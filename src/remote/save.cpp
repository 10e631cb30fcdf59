// The save that never leaves a half file on the server. At every moment the old bytes are whole
// under NAME or NAME.bak, and NAME holds either the old text or the new one, whole:
//   1. the file behind NAME (links followed), a regular file or nothing;
//   2. its bytes read again: refused if they are not those opened or last saved;
//   3. the new bytes written to .NAME.quorvel-tmp beside it (a stale one removed first), its
//      mode set to the old file's, synced where the server offers fsync@openssh.com;
//   4. the temporary file read back and compared; NAME looked at once more;
//   5. put in place: posix-rename@openssh.com where the server offers it, else NAME -> NAME.bak
//      (an older NAME.bak removed first: such servers refuse a rename onto it) and the temporary
//      file -> NAME, the first rename undone if the second fails.
// A connection lost on the way is told with the state NAME is left in.
#include "remote/files.h"
#include "remote/paths.h"
#include "remote/sftp_client.h"
#include "remote/worker.h"
#include "storage/safe_write.h"

namespace remote::detail {
namespace {

constexpr int kMaxLinks = 40;

bool regular(const sftp::Attributes& attributes) {
    return !attributes.has(sftp::kAttrPermissions) || attributes.type() == sftp::kTypeFile;
}

// A failure the server answered (its status): the step did not happen. Anything else (a lost
// connection, a time-out) leaves open whether it did.
bool refusedByServer(const Failure& failed) { return failed.status != 0; }

// Removes the temporary file as a request ends early, where the connection still allows it.
void clearTemporary(Worker& worker, SftpClient& sftp, const QByteArray& temporary) {
    if (!sftp.alive()) return;
    worker.setCancellable(false);
    try {
        sftp.remove(temporary);
    } catch (const Failure&) {
        // The next save clears it.
    }
}

QByteArray readWhole(SftpClient& sftp, const QByteArray& path, sftp::Attributes& attributes, const Moved& moved,
                     std::uint64_t limit) {
    const std::string handle = sftp.open(path, sftp::kOpenRead);
    QByteArray bytes;
    try {
        attributes = sftp.fstat(handle, path);
        if (!regular(attributes))
            throw failure(QStringLiteral("not-regular"),
                          QStringLiteral("无法保存：这不是普通文件：%1").arg(displayName(path)));
        bytes = sftp.readAll(handle, path, attributes.size, limit, moved);
    } catch (...) {
        sftp.closeQuietly(handle);
        throw;
    }
    sftp.close(handle, path);
    return bytes;
}

void saveSteps(Worker& worker, const QByteArray& path, const QByteArray& bytes, const SaveOptions& options,
               SaveOutcome& result, const Moved& moved) {
    worker.ensureConnected();
    SftpClient& sftp = worker.sftp();
    result.state = FileState::Old;

    // 1. The file behind the name: a link is followed to its file, and stays a link.
    QByteArray target = path;
    std::optional<sftp::Attributes> found;
    for (int hops = 0;; ++hops) {
        found = sftp.lstatIfAny(target);
        if (!found || found->type() != sftp::kTypeLink) break;
        if (hops == kMaxLinks)
            throw failure(QStringLiteral("failed"),
                          QStringLiteral("无法保存：符号链接层数太多（可能指向自己）：%1").arg(displayName(path)));
        target = joinPath(parentPath(target), sftp.readlink(target));
    }
    const QString shown = displayName(target);
    const bool exists = found.has_value();
    if (exists && !regular(*found)) {
        const QString what = found->type() == sftp::kTypeDir ? QStringLiteral("这是一个文件夹，不是文件")
                                                             : QStringLiteral("这不是普通文件");
        throw failure(QStringLiteral("not-regular"), QStringLiteral("无法保存：%1：%2").arg(what, shown));
    }
    // A file nobody may write is not replaced behind its back, as a local save would not write it.
    if (exists && found->has(sftp::kAttrPermissions) && (found->permissions & 0222) == 0)
        throw failure(QStringLiteral("permission-denied"), QStringLiteral("无法写入：文件是只读的（权限 %1）：%2")
                                                               .arg(found->permissions & 07777, 4, 8, QLatin1Char('0'))
                                                               .arg(shown));
    if (!exists && options.expected && !options.force) {
        result.existed = false;
        throw failure(QStringLiteral("changed-on-server"),
                      QStringLiteral("服务器上的 %1 已经不在了（被删除或改名），没有写入").arg(shown));
    }
    const QByteArray folder = parentPath(target);
    const QByteArray name = fileName(target);
    const QByteArray temporary = joinPath(folder, '.' + name + ".quorvel-tmp");
    const QByteArray backup = target + ".bak";
    const QString backupShown = displayName(backup);
    const bool posix = sftp.posixRename();
    if (!posix && exists) {
        const auto old = sftp.lstatIfAny(backup);
        if (old && old->type() == sftp::kTypeDir)
            throw failure(QStringLiteral("failed"),
                          QStringLiteral("无法保存 %1：%2 是一个文件夹，服务器不能把原来的文件改名为它；请先移走它")
                              .arg(shown, backupShown));
    }

    // 2. What the server holds now, against what was opened or last saved (a save that replaces
    // whatever is there reads nothing).
    sftp::Attributes before = found.value_or(sftp::Attributes{});
    if (exists && options.expected && !options.force) {
        QByteArray current = readWhole(sftp, target, before, moved, storage::kMaxFileBytes);
        if (current != *options.expected) {
            result.current = std::move(current);
            throw failure(
                QStringLiteral("changed-on-server"),
                QStringLiteral("服务器上的 %1 在打开之后被改动过（可能有人同时在编辑），没有写入").arg(shown));
        }
    }
    worker.checkCancelled();

    // 3. The new text beside it, under a name of its own; what an earlier save left there goes first.
    if (const auto stale = sftp.lstatIfAny(temporary)) {
        if (stale->type() == sftp::kTypeDir)
            throw failure(QStringLiteral("failed"),
                          QStringLiteral("无法保存 %1：临时文件的名字 %2 被一个文件夹占用，请先移走它")
                              .arg(shown, displayName(temporary)));
        sftp.remove(temporary);
    }
    sftp::Attributes create;
    if (exists && before.has(sftp::kAttrPermissions)) {
        create.flags = sftp::kAttrPermissions;
        create.permissions = before.permissions & 07777;
    }
    bool made = false;
    try {
        const std::string handle = sftp.open(
            temporary, sftp::kOpenWrite | sftp::kOpenCreate | sftp::kOpenTruncate | sftp::kOpenExclusive, create);
        made = true;
        try {
            sftp.writeAll(handle, temporary, bytes, moved);
            // The server's umask may have taken bits off the mode asked for at the open.
            if (create.flags != 0) {
                try {
                    sftp.fsetstat(handle, create, temporary);
                } catch (const Failure& failed) {
                    if (!refusedByServer(failed)) throw;
                    result.notice = QStringLiteral("服务器没有让新文件保留原来的权限（%1）")
                                        .arg(create.permissions, 4, 8, QLatin1Char('0'));
                }
            }
            if (exists && before.has(sftp::kAttrUidGid)) {
                const sftp::Attributes written = sftp.fstat(handle, temporary);
                if (written.has(sftp::kAttrUidGid) && (written.uid != before.uid || written.gid != before.gid)) {
                    sftp::Attributes owner;
                    owner.flags = sftp::kAttrUidGid;
                    owner.uid = before.uid;
                    owner.gid = before.gid;
                    try {
                        sftp.fsetstat(handle, owner, temporary);
                    } catch (const Failure& failed) {
                        if (!refusedByServer(failed)) throw;
                        result.notice = QStringLiteral("服务器上的 %1 原来属于 uid %2、gid %3，新文件属于登录的用户")
                                            .arg(shown)
                                            .arg(before.uid)
                                            .arg(before.gid);
                    }
                }
            }
            if (sftp.fsync()) sftp.fsyncHandle(handle, temporary);
        } catch (...) {
            sftp.closeQuietly(handle);
            throw;
        }
        sftp.close(handle, temporary);

        // 4. Read back whole and compared before it may take the name.
        sftp::Attributes written;
        const QByteArray back =
            readWhole(sftp, temporary, written, moved, static_cast<std::uint64_t>(bytes.size()) + 1);
        if (back != bytes)
            throw failure(QStringLiteral("failed"),
                          QStringLiteral("写入 %1 后读回的内容和要保存的不一致（服务器的磁盘可能已满），"
                                         "原来的文件没有改变")
                              .arg(shown));
        if (exists && !options.force) {
            const auto now = sftp.lstatIfAny(target);
            if (!now || now->type() != before.type() || now->size != before.size || now->mtime != before.mtime) {
                result.existed = now.has_value();
                if (now && regular(*now)) {
                    sftp::Attributes ignored;
                    result.current = readWhole(sftp, target, ignored, {}, storage::kMaxFileBytes);
                }
                throw failure(QStringLiteral("changed-on-server"),
                              QStringLiteral("服务器上的 %1 在保存的过程中被改动过（可能有人同时在编辑），没有替换它")
                                  .arg(shown));
            }
        }
        worker.checkCancelled();
    } catch (...) {
        if (made) clearTemporary(worker, sftp, temporary);
        throw;
    }

    // 5. Into place; past this point a cancel no longer stops the save.
    worker.setCancellable(false);
    const auto lost = [&](const Failure& failed, const QString& state) {
        Failure told = failed;
        told.outcome.message += QStringLiteral("。") + state;
        return told;
    };
    if (posix || !exists) {
        try {
            if (posix) {
                sftp.posixRename(temporary, target);
            } else {
                sftp.rename(temporary, target);
            }
        } catch (const Failure& failed) {
            if (refusedByServer(failed)) {
                clearTemporary(worker, sftp, temporary);
                throw;
            }
            result.state = FileState::Unknown;
            throw lost(failed, exists ? QStringLiteral("%1 现在是原来的内容或新的内容，两者都是完整的").arg(shown)
                                      : QStringLiteral("%1 现在是新的内容，或者还不存在").arg(shown));
        }
    } else {
        if (sftp.lstatIfAny(backup)) {
            try {
                sftp.remove(backup);
            } catch (const Failure& failed) {
                if (refusedByServer(failed)) clearTemporary(worker, sftp, temporary);
                throw;
            }
        }
        try {
            sftp.rename(target, backup);
        } catch (const Failure& failed) {
            if (refusedByServer(failed)) {
                clearTemporary(worker, sftp, temporary);
                throw;
            }
            result.state = FileState::Unknown;
            throw lost(failed, QStringLiteral("原来的内容完整地在 %1 或 %2 中").arg(shown, backupShown));
        }
        result.state = FileState::Bak;
        try {
            sftp.rename(temporary, target);
        } catch (const Failure& failed) {
            if (!refusedByServer(failed))
                throw lost(failed, QStringLiteral("原来的内容完整地在 %1 中；%2 可能已是新的内容，也可能不存在")
                                       .arg(backupShown, shown));
            try {
                sftp.rename(backup, target);
                result.state = FileState::Old;
            } catch (const Failure&) {
                throw lost(failed,
                           QStringLiteral("原来的内容在 %1 中，没能改回 %2，请手动改回").arg(backupShown, shown));
            }
            clearTemporary(worker, sftp, temporary);
            throw lost(failed, QStringLiteral("%1 已恢复为原来的内容").arg(shown));
        }
        result.viaBackup = true;
    }
    result.state = FileState::New;
    result.stamp = {create.permissions, 0, bytes.size()};
    try {
        const sftp::Attributes now = sftp.stat(target);
        result.stamp = {now.permissions & 07777, now.mtime, static_cast<qint64>(now.size)};
    } catch (const Failure&) {
        // Saved all the same; the stamp is what was written.
    }
}

}  // namespace

void saveFile(Worker& worker, const QByteArray& path, const QByteArray& bytes, const SaveOptions& options,
              SaveOutcome& result, const Moved& moved) {
    try {
        saveSteps(worker, path, bytes, options, result, moved);
    } catch (Failure& failed) {
        const QString& code = failed.outcome.code;
        if (result.state == FileState::Old && (code == QLatin1String("dropped") || code == QLatin1String("timeout")))
            failed.outcome.message += QStringLiteral("。服务器上的 %1 没有改变").arg(displayName(path));
        throw;
    }
}

}  // namespace remote::detail
